// The control's event interface: what the host program hears from it.
#pragma once

#include "veltra/EventList.h"
#include "veltra/Types.h"

namespace veltra {

// One function per event, in event-number order (veltra/EventList.h lists them). Arguments
// are passed by reference: a handler may change them and the control goes on with the
// changed values. Every handler does nothing by default, so a host overrides only the
// events it listens to.
class VeltraEvents {
  public:
    virtual ~VeltraEvents() = default;

#define VELTRA_DECLARE_EVENT(Name, Number, Parameters, Arguments)                                  \
    virtual void Name Parameters {                                                                 \
        ignored(0 VELTRA_AFTER(Arguments));                                                        \
    }
    VELTRA_EVENTS(VELTRA_DECLARE_EVENT)
#undef VELTRA_DECLARE_EVENT

  private:
    template <class... T>
    static void ignored(int, T&...) {
    }
};

} // namespace veltra

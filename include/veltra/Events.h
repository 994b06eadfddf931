// The control's event interface: what the host program hears from it.
#pragma once

#include "veltra/Types.h"

namespace veltra {

// One function per event, in event-number order. Arguments are passed by reference: a
// handler may change them and the control goes on with the changed values. Every handler
// does nothing by default, so a host overrides only the events it listens to.
class VeltraEvents {
  public:
    virtual ~VeltraEvents() = default;

    virtual void CodigoAssociado(String& Numero) { (void)Numero; }
    virtual void Change() {}
    virtual void Click() {}
    virtual void DblClick(Integer& Area) { (void)Area; }
    virtual void KeyDown(Integer& KeyCode, Integer& Shift) { (void)KeyCode, (void)Shift; }
    virtual void KeyPress(Integer& KeyAscii) { (void)KeyAscii; }
    virtual void KeyUp(Integer& KeyCode, Integer& Shift) { (void)KeyCode, (void)Shift; }
    virtual void MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) {
        (void)Button, (void)Shift, (void)x, (void)y;
    }
    virtual void MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) {
        (void)Button, (void)Shift, (void)x, (void)y;
    }
    virtual void MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) {
        (void)Button, (void)Shift, (void)x, (void)y;
    }
};

} // namespace veltra

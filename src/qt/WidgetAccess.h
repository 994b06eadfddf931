// This file is not part of the API. What veltra-play, the tests and the demo reach inside
// the widget for: its data source and list, how much of the list it has read, and the
// transcript of what the control asks of its surroundings.
#pragma once

#include "veltra/platform/Tracing.h"
#include "veltra/qt/VeltraWidget.h"

#include <QString>
#include <cstddef>

namespace veltra {
class ListModel;
class DataControl;
} // namespace veltra

namespace veltra::qt {

class WidgetAccess {
  public:
    static DataControl& dataSource(VeltraWidget& widget);
    static const ListModel& list(const VeltraWidget& widget);
    // Rows read from the database so far for the current list (the list reads on demand).
    static std::size_t rowsRead(const VeltraWidget& widget);
    // A row of the list as the list draws it, its bold parts in brackets: "[São] Paulo".
    static QString rowAsDrawn(VeltraWidget& widget, int row);
    // Where transcript lines go; by default nowhere.
    static void setTrace(VeltraWidget& widget, TraceSink trace);
};

} // namespace veltra::qt

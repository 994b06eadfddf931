// This file is not part of the API. What veltra-play, the tests and the demo reach inside
// the window for: its data source, its combo box and list, and the transcript of what the
// control asks of its surroundings.
#pragma once

#include "veltra/platform/Tracing.h"
#include "veltra/win32/VeltraWindow.h"

namespace veltra {
class DataControl;
} // namespace veltra

namespace veltra::win32 {

class Win32ComboBox;

class WindowAccess {
  public:
    static DataControl& dataSource(VeltraWindow& window);
    static Win32ComboBox& box(VeltraWindow& window);
    // Rows read from the database so far for the current list (the list reads on demand).
    static std::size_t rowsRead(const VeltraWindow& window);
    // Where transcript lines go; by default nowhere.
    static void setTrace(VeltraWindow& window, TraceSink trace);
};

} // namespace veltra::win32

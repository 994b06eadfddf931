// This file is not part of the API. The combo box as assistive technology sees it; the
// QtComboBox members that keep assistive technology told are defined with it.
#pragma once

namespace veltra::qt {

// Makes Qt's accessibility framework (AT-SPI on Linux) describe every Veltra combo box by
// the box's own interface: named by its label, its text as its value, the result count as
// its description, the list and the edit part as its two children. Installed once, before
// the first box is created.
void installComboAccessibility();

} // namespace veltra::qt

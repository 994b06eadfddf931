// Fitting the combo box to the control and the control to the combo box.
#include "veltra/Veltra.h"

namespace veltra {

// Missing: the width fit, the height snap and the automatic font size.
void Veltra::UserControl_Resize() {
}

} // namespace veltra

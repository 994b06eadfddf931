// What happens when the combo box gains and loses the focus.
#include "veltra/Veltra.h"

namespace veltra {

// Missing: marking the focus, preparing the list and the focus colour.
void Veltra::dbComb_GotFocus() {
}

// Missing: the free-text corrections, colour and tool tip restore, sNuncaVazio.
void Veltra::dbComb_LostFocus() {
}

} // namespace veltra

// Saving the configuration with the host's form and restoring it.
#include "veltra/Veltra.h"

namespace veltra {

// Missing: restoring the 23 saved keys in their fixed order, straight into the members
// and child controls; it arrives together with the form-file format.
void Veltra::ReadProperties(PropertyBag& bag) {
    (void)bag;
}

// Missing: writing the 23 keys with their defaults; arrives with the form-file format.
void Veltra::WriteProperties(PropertyBag& bag) {
    (void)bag;
}

} // namespace veltra

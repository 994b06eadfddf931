// Capitalisation of personal names with the Portuguese particles in lower case.
#include "veltra/Veltra.h"

namespace veltra {

// Missing: the separator passes, the word step and the restore of the separators; until
// then the text is returned as given.
String Veltra::ConverterLetraCapital(const Variant& Texto) {
    return Texto.isNull() ? String() : Texto.toText();
}

} // namespace veltra

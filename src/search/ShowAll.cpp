// The full list, showing the current row, and numeric ordering.
#include "veltra/Veltra.h"

namespace veltra {

// Missing: loading every row whose list field is not empty, with the developer messages
// for an unset table or field and for a failing statement.
void Veltra::MostrarTodos() {
}

// Missing: showing the current row's list value and reporting its key.
void Veltra::Mostrar() {
}

// Takes effect with the next statement composed; nothing is reloaded now.
void Veltra::OrdemNumerica() {
    OrdemNumericaAtiva = true;
}

} // namespace veltra

// Stepping through the rows of the current result.
#include "veltra/Veltra.h"

namespace veltra {

// Missing in all four: the bound check, the move, showing the row and reporting its key.
void Veltra::DadosAvançar() {
}
void Veltra::DadosRecuar() {
}
void Veltra::DadosIrAoPrimeiro() {
}
void Veltra::DadosIrAoUltimo() {
}

} // namespace veltra

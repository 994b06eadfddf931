// This file is not part of the API. The control's working state: the flags and texts that
// its handlers, in four subsystem folders, share. They are one state machine, so they live
// in one struct, each member with the subsystems that write it and read it.
#pragma once

#include "veltra/Types.h"

namespace veltra {

struct WorkingState {
    // The combo box has the focus. Written by search (focus entry and exit); read by search
    // (the full list leaves an empty box empty), input (capitalisation, the mouse relay) and
    // view (the text-change handler).
    bool TemFoco = false;
    // The first key after focus entry opens the list. Written by search (focus entry sets
    // it, exit clears it) and input (the key that opens the list and a mouse press clear it);
    // read by input.
    bool AbrirListaPendente = false;
    // The key being released is the one that opened the list, and only reports. Written by
    // input (the key that opens the list) and search (its release); read by search.
    bool ListaAbertaNaTecla = false;
    // The last key typed was Backspace: its release searches without completing. Written by
    // input (the keystroke filter); read by search.
    bool TeclouApagar = false;
    // The full list is loaded. Written by search (the full list loads it), control (the
    // data-source properties) and view (a changed text); read by search.
    bool ListaCompleta = false;
    // The next mouse release selects the whole text (the press that gave the focus). Written
    // and read by input (the mouse relay).
    bool SelecionarTudo = false;
    // The text last confirmed (Enter, a click, focus entry); cleared once the text moves away
    // from it. Written by input, search and view; read by search and view.
    String TextoConfirmado;
    // The text as name capitalisation last left it. Written by input; read by search (focus
    // exit) and view (the text-change handler).
    String TextoCapitalizado;
    // Where the caret stood after the last completion. Written and read by search.
    Integer UltimaPosicao = 0;
    // The statements order by the list value's number. Written by search (OrdemNumerica);
    // read by search (composition).
    bool OrdemNumericaAtiva = false;
    // How many runs of the text-change handler are under way, nested through its writes.
    // Written and read by view.
    int changeNesting = 0;
};

} // namespace veltra

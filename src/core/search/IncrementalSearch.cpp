// The search that runs on every key release: the list reloads from the database, the
// text completes with the first matching row, the completed tail is selected so that the
// next key overwrites it, and the row's key is reported.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "search/Composition.h"
#include "veltra/Codes.h"
#include "veltra/Veltra.h"

#include <stdexcept>
#include <string>

namespace veltra {

namespace {

// Keys that move, confirm or open menus: they are only reported.
bool searchesNothing(Integer keyCode) {
    return Key::isArrow(keyCode) || keyCode == Key::Alt || keyCode == Key::Enter;
}

// The caret as the 16-bit integer the control keeps; a position beyond its range fails.
Integer checkedCaret(Long caret) {
    if (caret < 0 || caret > 32767)
        throw std::overflow_error("caret position out of range");
    return static_cast<Integer>(caret);
}

String decimal(long long number) {
    const std::string digits = std::to_string(number);
    return String(digits.begin(), digits.end());
}

} // namespace

// A test that cannot be evaluated goes on as if it did not hold at the gate and at the
// completion's first step; anywhere else the actions it guards run.
void Veltra::dbComb_KeyUp(Integer& KeyCode, Integer& Shift) {
    resumeNext([&] { events_.KeyUp(KeyCode, Shift); });
    const auto text = [&] { return readOr(String(), [&] { return dbComb.Text(); }); };
    const auto length = [&] { return static_cast<long long>(text().size()); };
    const auto holds = [](auto&& test) { return readOr(true, test); };

    if (holds([&] { return !dbComb.Text().empty(); }) && KeyCode != Key::Tab &&
        KeyCode != Key::Enter)
        PosicionarCursor();

    // The key that dropped the list open: everything after the first character is
    // selected, so that typing goes on over it.
    if (state_->ListaAbertaNaTecla) {
        resumeNext([&] { dbComb.SelStart(1); });
        resumeNext([&] { dbComb.SelLength(static_cast<Long>(length())); });
        state_->ListaAbertaNaTecla = false;
        return;
    }

    enum class Next { Search, Select, Report } next = Next::Search;
    if (searchesNothing(KeyCode))
        next = Next::Report;

    if (next == Next::Search) {
        if (sMaxLength_ != 0)
            resumeNext([&] {
                dbComb.ToolTipText(u" Caracteres digitados: " + decimal(length()) + u"/" +
                                   decimal(sMaxLength_) + u" ");
            });
        // The search runs while the typed text is not yet an entry of the list, and stops
        // once the box has matched a row whose key differs from its text, or once the text
        // has been confirmed.
        const bool closed = readOr(false, [&] {
            return !state_->TextoConfirmado.empty() || sListaSoResultado_ ||
                   dbComb.Text().empty() || dbComb.BoundText() != dbComb.Text() ||
                   dbComb.Text() == u"*";
        });
        if (closed)
            return;
        if (state_->TeclouApagar)
            next = Next::Select;
    }

    if (next == Next::Search) {
        const String pattern = searchPattern(text(), SuperPesquisa);
        applyStatement(searchStatement(queryInputs(), pattern), OnFailure::ResumeNext);
        const String first = readOr(String(), [&] { return txtDbComb.Text(); });
        if (readOr(false, [&] { return state_->UltimaPosicao == length(); })) {
            next = Next::Report;
        } else {
            resumeNext([&] { state_->UltimaPosicao = checkedCaret(dbComb.SelStart()); });
            const bool completes = holds([&] {
                return !first.empty() && text().find_first_of(u"*?") == String::npos &&
                       text() == pattern;
            });
            if (completes) {
                // At the full length the box takes the row's own text (its case and
                // accents); before it, the row's value through the key, as a pick would.
                if (holds([&] {
                        return state_->UltimaPosicao == static_cast<long long>(first.size());
                    }))
                    resumeNext([&] { dbComb.Text(first); });
                else
                    resumeNext([&] { dbComb.BoundText(first); });
                next = Next::Select;
            } else {
                dbComb_Change();
                next = Next::Report;
            }
        }
    }

    if (next == Next::Select) {
        const long long n = length();
        if (holds([&] { return state_->UltimaPosicao > n; })) {
            state_->UltimaPosicao = static_cast<Integer>(n);
        } else if (holds([&] { return state_->UltimaPosicao == n; })) {
            // The caret is at the end: a right arrow closes the selection, and its own key
            // release reports the key.
            resumeNext([&] { windowing_.SendKeys(u"{RIGHT}", false); });
            return;
        } else if (holds([&] { return !txtDbComb.Text().empty(); }) && KeyCode != Key::Backspace &&
                   KeyCode != Key::Delete) {
            resumeNext([&] { dbComb.SelStart(state_->UltimaPosicao); });
            resumeNext([&] { dbComb.SelLength(static_cast<Long>(n)); });
        }
    }

    if (sListaSoResultado_)
        return;
    const String key = readOr(String(), [&] { return dbComb.BoundText(); });
    const bool namesARow = holds([&] { return !key.empty() && key != dbComb.Text(); });
    raiseCodigoAssociado(namesARow ? key : String());
}

} // namespace veltra

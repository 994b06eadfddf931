// The handler of every change of the combo box's text: it relays the change, forgets the
// full list and the confirmed text, reacts to an emptied box and corrects the whole text.
#include "control/ResumeNext.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

// Each correction is written through BoundText, which makes the box report a change
// again: this handler runs nested inside itself, and the nested run finds nothing more to
// correct. A test that cannot be evaluated counts as holding, so its correction runs.
void Veltra::dbComb_Change() {
    resumeNext([&] { events_.Change(); });
    ListaCompleta = false;
    const auto text = [&] { return readOr(String(), [&] { return dbComb.Text(); }); };
    const auto holds = [](auto&& test) { return readOr(true, test); };

    if (holds([&] { return dbComb.BoundText().empty() || TextoConfirmado != dbComb.Text(); }))
        TextoConfirmado.clear();

    if (text().empty()) {
        if (!sListaSoResultado_ && TemFoco) {
            raiseCodigoAssociado(u"");
            MostrarTodos();
        } else {
            resumeNext([&] { txtDbComb.Text(u""); });
        }
        return;
    }

    if (sMaxLength_ > 0 && text().size() > static_cast<std::size_t>(sMaxLength_)) {
        resumeNext([&] {
            dbComb.BoundText(leadingCharacters(text(), static_cast<std::size_t>(sMaxLength_)));
        });
        resumeNext([&] { dbComb.SelStart(sMaxLength_); });
    }
    // Trailing spaces collapse to one in a single write: removing them one per nested run
    // would nest this handler once per space, and a pasted run of spaces is unbounded.
    if (text().ends_with(u"  ")) {
        resumeNext([&] {
            const String current = text();
            dbComb.BoundText(current.substr(0, current.find_last_not_of(u' ') + 1) + u' ');
        });
        resumeNext([&] { dbComb.SelStart(static_cast<Long>(text().size())); });
    }

    // The case rules apply to free text only: while the data source stands on a row with a
    // list value, the text is that row's.
    if (holds([&] { return !txtDbComb.Text().empty(); }))
        return;

    // With both case options on (only a restored form can have that), upper case wins: a
    // capitalised text would be turned to upper case by the next rule within this same run,
    // and writing it first would only make the nested runs rewrite the text back and forth
    // without end.
    if (text().size() > 2 && sLetraCapital_ && TemFoco && !sSempreMaiusculas_) {
        const Long caret = readOr(Long{0}, [&] { return dbComb.SelStart(); });
        if (trimSpaces(text()) != trimSpaces(TextoCapitalizado))
            resumeNext([&] { dbComb.BoundText(ConverterLetraCapital(text())); });
        resumeNext([&] { dbComb.SelStart(caret); });
    }
    if (sSempreMaiusculas_) {
        const Long caret = readOr(Long{0}, [&] { return dbComb.SelStart(); });
        if (upperCase(text()) != text())
            resumeNext([&] { dbComb.BoundText(upperCase(text())); });
        resumeNext([&] { dbComb.SelStart(caret); });
    }
}

} // namespace veltra

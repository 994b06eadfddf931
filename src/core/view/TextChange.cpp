// The handler of every change of the combo box's text: it relays the change, forgets the
// full list and the confirmed text, reacts to an emptied box and corrects the whole text.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

namespace {

// How deep the handler may nest inside itself through its own corrections. Every text a
// person can type or paste in practice stays far below it; a hostile run of trailing
// spaces (hundreds of thousands pasted at once) would otherwise nest once per space and
// overflow the stack. A level costs about 1.3 KiB of stack on the Qt platform (0.5 KiB
// headless, a few times more with the sanitizers), so 200 levels stay far inside any
// thread's stack.
constexpr int kMaxNestedCorrections = 200;

// Counts the handler's nesting for as long as one run lasts.
class NestingLevel {
  public:
    explicit NestingLevel(int& depth) : depth_(depth) { ++depth_; }
    ~NestingLevel() { --depth_; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
    int depth() const { return depth_; }

  private:
    int& depth_;
};

// One space less at the end; past the nesting bound, the whole run of trailing spaces but
// one goes in this single write.
String withoutDoubledTrailingSpace(const String& text, int nesting) {
    if (nesting < kMaxNestedCorrections)
        return text.substr(0, text.size() - 1);
    return text.substr(0, text.find_last_not_of(u' ') + 1) + u' ';
}

} // namespace

// Each correction is written through BoundText, which makes the box report a change
// again: this handler runs nested inside itself, and the nested run finds nothing more to
// correct. A test that cannot be evaluated counts as holding, so its correction runs.
void Veltra::dbComb_Change() {
    const NestingLevel nesting(state_->changeNesting);
    resumeNext([&] { events_.Change(); });
    state_->ListaCompleta = false;
    const auto text = [&] { return readOr(String(), [&] { return dbComb.Text(); }); };
    const auto holds = [](auto&& test) { return readOr(true, test); };

    if (holds(
            [&] { return dbComb.BoundText().empty() || state_->TextoConfirmado != dbComb.Text(); }))
        state_->TextoConfirmado.clear();

    if (text().empty()) {
        if (!sListaSoResultado_ && state_->TemFoco) {
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
    // One space per run: the nested run that the write causes removes the next one.
    if (text().ends_with(u"  ")) {
        resumeNext([&] { dbComb.BoundText(withoutDoubledTrailingSpace(text(), nesting.depth())); });
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
    if (text().size() > 2 && sLetraCapital_ && state_->TemFoco && !sSempreMaiusculas_) {
        const Long caret = readOr(Long{0}, [&] { return dbComb.SelStart(); });
        if (trimSpaces(text()) != trimSpaces(state_->TextoCapitalizado))
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

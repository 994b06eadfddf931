// Whole sessions typed into a control over a small database: keys, pastes, clicks, focus
// changes and property changes in any order. The database file never changes, and the
// box's text, which is what the host hears as a key when no row names it, stays whole text.
#include "FuzzSupport.h"
#include "veltra/headless/Headless.h"

namespace {

using namespace veltra;

// The keys a session may press, as veltra-play names them.
constexpr Integer kKeys[] = {Key::Enter, Key::Tab,  Key::Backspace, Key::Delete,
                             Key::Esc,   Key::Left, Key::Right,     Key::Up,
                             Key::Down,  Key::Home, Key::End,       Key::ShiftKey};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::SmallDatabase database;
    // VELTRA_FUZZ_TRACE=1 prints the session's transcript, to see what a finding did.
    static const bool traced = std::getenv("VELTRA_FUZZ_TRACE") != nullptr;
    headless::HeadlessForm form([](const std::string& line) {
        if (traced)
            std::fprintf(stderr, "%s\n", line.c_str());
    });
    auto& control = form.control();
    control.x1_DatabaseName(fromUtf8(database.path()));
    control.x2_NomeTabela(u"Cidades");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    auto& box = form.comboBox();
    fuzz::Input input(data, size);
    for (int step = 0; step < 64 && !input.empty(); ++step) {
        switch (input.byte() % 16) {
        case 0:
            form.input([&] { box.focusIn(); });
            break;
        case 1:
            form.input([&] { box.focusOut(); });
            break;
        case 2:
            box.focusIn();
            form.type(input.text());
            break;
        case 3: {
            const Integer key = kKeys[input.byte() % std::size(kKeys)];
            box.focusIn();
            form.input([&] {
                box.pressKey({key, 0, false, 0});
                box.pressKey({key, 0, true, 0});
            });
            break;
        }
        case 4:
            box.focusIn();
            form.input([&] { box.paste(input.text()); });
            break;
        case 5:
            form.input([&] { box.pick(input.byte() % 8); });
            break;
        case 6:
            form.input([&] { box.click(static_cast<Integer>(input.byte() % 4)); });
            break;
        case 7:
            box.select(input.byte() % 16, input.byte() % 16);
            break;
        case 8:
            control.sMaxLength(static_cast<Integer>(input.byte() % 12));
            break;
        case 9:
            control.sListaSoResultado(input.flag());
            break;
        case 10:
            control.SuperPesquisa = input.flag();
            break;
        case 11:
            control.sLetraCapital(input.flag());
            control.sSempreMaiusculas(input.flag());
            break;
        case 12:
            control.sNuncaVazio(input.flag());
            control.sApenasLetras(input.flag());
            break;
        case 13:
            form.input([&] { control.Text(input.text()); });
            break;
        case 14:
            form.input([&] { control.BoundText(input.text()); });
            break;
        default: {
            const auto method = input.byte() % 6;
            form.input([&] {
                if (method == 0)
                    control.MostrarTodos();
                if (method == 1)
                    control.Mostrar();
                if (method == 2)
                    control.DadosAvançar();
                if (method == 3)
                    control.DadosRecuar();
                if (method == 4)
                    control.DadosIrAoUltimo();
                if (method == 5)
                    control.OrdemNumerica();
            });
        }
        }
        if (traced)
            std::fprintf(stderr, "-- text %s sel=%d,%d\n", quotedText(box.Text()).c_str(),
                         static_cast<int>(box.SelStart()), static_cast<int>(box.SelLength()));
        fuzz::require(fuzz::isWholeText(box.Text()), "the box holds a broken text");
    }
    fuzz::require(database.unchanged(), "the database file changed");
    return 0;
}

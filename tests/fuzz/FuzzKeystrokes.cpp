// The keystroke filter and the text-change handler: any key codes, any options, any text
// written into the box.
#include "FuzzSupport.h"
#include "veltra/headless/Headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    headless::HeadlessForm form([](const std::string&) {});
    fuzz::Input input(data, size);
    auto& control = form.control();
    control.sApenasLetras(input.flag());
    control.sTirarAcento(input.flag());
    control.sSempreMaiusculas(input.flag());
    control.sLetraCapital(input.flag());
    control.sMaxLength(static_cast<Integer>(static_cast<std::int8_t>(input.byte())));
    if (input.flag())
        form.comboBox().focusIn();
    while (!input.empty()) {
        if (input.flag()) {
            Integer keyAscii = static_cast<Integer>(input.byte() | (input.byte() << 8));
            const Integer typed = keyAscii;
            control.dbComb_KeyPress(keyAscii);
            const bool refused =
                typed == 39 || typed == 34 || typed == 180 || typed == 124 || typed == 91;
            fuzz::require(!refused || keyAscii == 0, "a refused character passed");
            fuzz::require(typed != 13 || keyAscii == 0, "Enter reached the box");
        } else {
            form.comboBox().Text(input.text());
            const String text = form.comboBox().Text();
            fuzz::require(fuzz::isWholeText(text), "the handler left a broken text");
            if (control.sMaxLength() > 0)
                fuzz::require(text.size() <= static_cast<std::size_t>(control.sMaxLength()),
                              "text over the limit");
        }
    }
    return 0;
}

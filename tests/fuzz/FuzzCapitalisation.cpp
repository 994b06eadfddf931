// Name capitalisation of any text, with the focus in the box or not.
#include "FuzzSupport.h"
#include "veltra/headless/Headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    headless::HeadlessForm form([](const std::string&) {});
    fuzz::Input input(data, size);
    auto& box = form.comboBox();
    if (input.flag())
        box.focusIn();
    else
        box.focusOut();
    const String text = input.text();
    const String result = form.control().ConverterLetraCapital(text);
    fuzz::require(result.empty() || result.front() != u' ', "a leading space survived");
    fuzz::require(result.size() <= text.size(), "the name grew");
    fuzz::require(fuzz::isWholeText(result), "the name is not whole text");
    return 0;
}

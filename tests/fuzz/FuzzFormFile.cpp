// Any form file: read it, restore a control from it, save the control again.
#include "FuzzSupport.h"
#include "veltra/FormFile.h"
#include "veltra/headless/Headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    headless::HeadlessForm form([](const std::string&) {});
    std::vector<FormFileProblem> problems;
    FormFile file =
        FormFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), problems);
    for (const auto& problem : problems)
        fuzz::require(problem.line >= 1, "a problem without its line");
    FormSection empty("Veltra1");
    form.restoreInstance(file.sections().empty() ? empty : file.section(file.sections()[0].name()));
    // What the control saves reads back without a problem.
    FormFile saved;
    form.control().WriteProperties(saved.section("Veltra1"));
    std::vector<FormFileProblem> again;
    FormFile::parse(saved.text(), again);
    fuzz::require(again.empty(), "a saved form does not read back");
    // And so does every section the reader kept.
    std::vector<FormFileProblem> kept;
    FormFile::parse(file.text(), kept);
    fuzz::require(kept.empty(), "a section the reader kept does not read back");
    return 0;
}

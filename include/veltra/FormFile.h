// The form file: where a host keeps the saved properties of the controls on a form.
//
//     # comments and blank lines are ignored
//     [Cidade]                       one section per control, named as on the form
//     NomeTabela = "Cidades"         strings in double quotes, with \" \\ \r \n \t
//     sMaxLength = 40                integers; Booleans as -1 (True) and 0 (False)
//     Font = "Tahoma", 8.25, -1, 0, 0, 0, 0
//                                    name, size, bold, italic, underline,
//                                    strikethrough, character set
//
// Keys are kept in the order they were written; a key written twice keeps its last value.
#pragma once

#include "veltra/Types.h"
#include "veltra/platform/Host.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace veltra {

// The saved properties of one control, usable as the property bag of its host.
class FormSection final : public PropertyBag {
  public:
    explicit FormSection(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    const std::vector<std::pair<String, Variant>>& values() const { return values_; }

    Variant ReadProperty(const String& key, const Variant& defaultValue) override;
    void WriteProperty(const String& key, const Variant& value,
                       const Variant& defaultValue) override;

  private:
    std::string name_;
    std::vector<std::pair<String, Variant>> values_;
};

struct FormFileProblem {
    int line;
    std::string message;
};

class FormFile {
  public:
    // Reads a form file. A malformed line is reported and skipped; every other key is kept.
    // Throws std::runtime_error when the file cannot be read at all.
    static FormFile read(const std::filesystem::path& path, std::vector<FormFileProblem>& problems);
    static FormFile parse(std::string_view text, std::vector<FormFileProblem>& problems);
    // Throws std::runtime_error when the file cannot be written.
    void write(const std::filesystem::path& path) const;
    std::string text() const;

    // The section of that name, created empty when the file has none.
    FormSection& section(const std::string& name);
    const std::vector<FormSection>& sections() const { return sections_; }

  private:
    std::vector<FormSection> sections_;
};

} // namespace veltra

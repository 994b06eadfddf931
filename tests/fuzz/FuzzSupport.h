// What the fuzz targets share: reading the input as text and options, a small database
// that stays the same, and the checks every target makes.
#pragma once

#include "veltra/Text.h"
#include "veltra/platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace veltra::fuzz {

// Takes the input a piece at a time: bytes for choices, texts up to a separator.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {}

    bool empty() const { return at_ >= text_.size(); }
    std::uint8_t byte() { return empty() ? 0 : static_cast<std::uint8_t>(text_[at_++]); }
    bool flag() { return byte() & 1; }
    // The text up to the next '\x1f' (or the end), as the UTF-16 the control works in.
    String text() {
        if (empty())
            return {};
        const auto end = std::min(text_.find('\x1f', at_), text_.size());
        const auto piece = text_.substr(at_, end - at_);
        at_ = end + 1;
        return fromUtf8(piece);
    }
    std::string_view rest() const {
        return empty() ? std::string_view() : std::string_view(text_).substr(at_);
    }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// Fails the run loudly: libFuzzer and the replay both stop on it.
inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// A text the host can read: its UTF-8 comes back as the same text (no half of a
// surrogate pair, for one).
inline bool isWholeText(const String& text) {
    return fromUtf8(toUtf8(text)) == text;
}

// A database of cities, built once per process, whose bytes must never change.
class SmallDatabase {
  public:
    SmallDatabase() : folder_("veltra-fuzz") {
        path_ = (folder_.path() / "cidades.db").string();
        sqlite3* db = nullptr;
        sqlite3_open(path_.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE Cidades (Id INTEGER PRIMARY KEY, Nome TEXT, Uf TEXT);"
                     "INSERT INTO Cidades VALUES (1, 'Belo Horizonte', 'MG'), (2, 'Belém', 'PA'),"
                     "(3, 'São Paulo', 'SP'), (4, 'Santos', 'SP'), (5, NULL, 'SP'), (6, '', 'RJ'),"
                     "(7, 'Ñandú ĳssel 漢字', 'XX'), (8, 'belo horizonte', 'MG'),"
                     "(9, 'BELÉM', 'PA'), (10, 'Bélgica', 'XX'), (11, 12, 'SP'),"
                     "(12, X'42656C', 'XX'), (13, 'São Paulo', 'SP');"
                     // The plain index that answers first rows while a copy is made.
                     "CREATE INDEX CidadesNome ON Cidades (Nome);",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        stamp_ = identifyFile(path_);
    }

    const std::string& path() const { return path_; }
    bool unchanged() const { return identifyFile(path_) == stamp_; }

  private:
    TemporaryFolder folder_;
    std::string path_;
    FileIdentity stamp_;
};

} // namespace veltra::fuzz

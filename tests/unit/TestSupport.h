// Helpers shared by the unit tests: scratch databases and a headless form whose
// transcript lines are kept for inspection.
#pragma once

#include "veltra/Text.h"
#include "veltra/headless/Headless.h"
#include "veltra/platform/Files.h"
#include "veltra/platform/Notifications.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace veltra::testing {

// A database file in a fresh temporary folder, built by the given statements and removed
// with the object.
class ScratchDatabase {
  public:
    explicit ScratchDatabase(const std::string& sql) : folder_("veltra-test") {
        path_ = folder_.path() / "test.db";
        sqlite3* db = nullptr;
        sqlite3_open(path_.c_str(), &db);
        char* message = nullptr;
        const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
        const std::string error = message ? message : "";
        sqlite3_free(message);
        sqlite3_close(db);
        if (code != SQLITE_OK)
            throw std::runtime_error("setup failed: " + error);
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    String path() const { return fromUtf8(path_.string()); }
    std::filesystem::path folder() const { return folder_.path(); }
    std::string bytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    TemporaryFolder folder_;
    std::filesystem::path path_;
};

// Cities with a duplicate name and a null name, as a small list to bind to.
inline const char* kCitiesSql = "CREATE TABLE Cidades (Id INTEGER PRIMARY KEY, Nome TEXT, Uf TEXT);"
                                "INSERT INTO Cidades VALUES (1, 'Belo Horizonte', 'MG');"
                                "INSERT INTO Cidades VALUES (2, 'Belém', 'PA');"
                                "INSERT INTO Cidades VALUES (3, 'Santos', 'SP');"
                                "INSERT INTO Cidades VALUES (4, 'Santos', 'SP');"
                                "INSERT INTO Cidades VALUES (5, NULL, 'SP');";

// Ignores every notification; a test overrides those it watches.
struct IgnoredNotifications : ControlNotifications {
    void dbComb_GotFocus() override {}
    void dbComb_LostFocus() override {}
    void dbComb_Click(Integer&) override {}
    void dbComb_DblClick(Integer&) override {}
    void dbComb_KeyDown(Integer&, Integer&) override {}
    void dbComb_KeyPress(Integer&) override {}
    void dbComb_KeyUp(Integer&, Integer&) override {}
    void dbComb_MouseDown(Integer&, Integer&, Single&, Single&) override {}
    void dbComb_MouseMove(Integer&, Integer&, Single&, Single&) override {}
    void dbComb_MouseUp(Integer&, Integer&, Single&, Single&) override {}
    void dbComb_Change() override {}
    void txtDbComb_Change() override {}
    void UserControl_Resize() override {}
};

// A property bag in memory.
struct MemoryBag final : PropertyBag {
    std::map<String, Variant> values;
    Variant ReadProperty(const String& key, const Variant& defaultValue) override {
        const auto found = values.find(key);
        return found == values.end() ? defaultValue : found->second;
    }
    void WriteProperty(const String& key, const Variant& value, const Variant&) override {
        values[key] = value;
    }
};

// A headless form that keeps its transcript.
struct RecordedForm {
    std::vector<std::string> lines;
    headless::HeadlessForm form{[this](const std::string& line) { lines.push_back(line); }};

    std::vector<std::string> take() { return std::exchange(lines, {}); }
    // Types over the box's whole text, as a user who selected it first; the lines printed.
    std::vector<std::string> typeOver(const String& text) {
        take();
        auto& box = form.comboBox();
        box.select(0, static_cast<Long>(box.Text().size()));
        form.type(text);
        return take();
    }
};

inline bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace veltra::testing

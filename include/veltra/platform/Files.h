// The little of the file system that the control's surroundings and tools need beyond
// std::filesystem; the one place an operating system's own calls are made for it.
#pragma once

#include <filesystem>
#include <string>

namespace veltra {

// Which file a path names and which version of it: size, modification time, the time its
// contents or attributes last changed (which no program can set back) and the file's own
// identity, its device and number (a file replaced under the same name is another). A
// missing file has size -1.
struct FileIdentity {
    long long size = -1;
    long long modified = 0;
    long long id = 0;
    long long device = 0;
    long long changed = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity identifyFile(const std::string& utf8Path);

// A path as UTF-8 text, and back: the form SQLite and the control's texts take it in on
// every system (a Windows path is not in the system's code page).
inline std::string utf8Path(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}
inline std::filesystem::path pathOfUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The folder of the shared library or program that holds the code at that address.
std::filesystem::path folderHolding(const void* code);

// A new, empty folder in the system's temporary folder; removed with what it holds when the
// object goes. Throws std::filesystem::filesystem_error when it cannot be made.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& prefix = "veltra");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace veltra

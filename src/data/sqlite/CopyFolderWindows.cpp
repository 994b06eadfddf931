// The copies' folder and files on Windows: the user's local application data, which only the
// user's account may change; a copy is read when the user's account owns it and it is no
// link; drafts are made with CREATE_NEW under a random name.
#include "Errors.h"
#include "sqlite/CheckedFiles.h"
#include "sqlite/CopyFolder.h"
#include "veltra/platform/Files.h"

#include <aclapi.h>
#include <fstream>
#include <random>
#include <shlobj.h>
#include <windows.h>

namespace veltra::detail {

namespace {

// The account this program runs as.
struct CurrentUser {
    CurrentUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        buffer.resize(size);
        if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
            buffer.clear();
        CloseHandle(token);
    }
    PSID sid() const {
        return buffer.empty() ? nullptr
                              : reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    }
    std::vector<char> buffer;
};

// Whether the file or folder is owned by the account this program runs as, and no link.
bool ownedByUser(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    static const CurrentUser user;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool owned = user.sid() && owner && EqualSid(owner, user.sid());
    LocalFree(descriptor);
    return owned;
}

std::filesystem::path localApplicationData() {
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return path;
}

} // namespace

std::optional<std::filesystem::path> userCopyFolder() {
    const auto data = localApplicationData();
    if (data.empty())
        return std::nullopt;
    const auto folder = data / "veltra" / "copies";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !ownedByUser(folder.parent_path()) || !ownedByUser(folder))
        return std::nullopt;
    return folder;
}

bool isOwnCopy(const std::filesystem::path& file) {
    if (!ownedByUser(file))
        return false;
    unsigned char header[100] = {};
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(header), sizeof header);
    return in.gcount() == sizeof header && hasChecksums(header, sizeof header);
}

std::filesystem::path newDraftFor(const std::filesystem::path& file) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path draft = file;
        draft += ".draft-" + std::to_string(random()) + std::to_string(random());
        const HANDLE made = CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made != INVALID_HANDLE_VALUE) {
            CloseHandle(made);
            return draft;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    fail(DataError::CopyNotMade, {utf8Path(file), ""});
}

} // namespace veltra::detail

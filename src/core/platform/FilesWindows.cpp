// The file-system helper on Windows: the one place the core calls Windows itself.
#include "veltra/platform/Files.h"

#include <random>
#include <system_error>
#include <windows.h>

namespace veltra {

namespace {

std::wstring widen(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

long long whole(DWORD high, DWORD low) {
    return static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
}

} // namespace

FileIdentity identifyFile(const std::string& utf8Path) {
    // Opened for its attributes only, shared with every reader and writer.
    const HANDLE file = CreateFileW(widen(utf8Path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION information{};
    FILE_BASIC_INFO basic{};
    const bool read = GetFileInformationByHandle(file, &information) &&
                      GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
    CloseHandle(file);
    if (!read)
        return {};
    return {whole(information.nFileSizeHigh, information.nFileSizeLow),
            whole(information.ftLastWriteTime.dwHighDateTime,
                  information.ftLastWriteTime.dwLowDateTime),
            whole(information.nFileIndexHigh, information.nFileIndexLow),
            static_cast<long long>(information.dwVolumeSerialNumber),
            static_cast<long long>(basic.ChangeTime.QuadPart)};
}

std::filesystem::path folderHolding(const void* code) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(code), &module))
        return {};
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return {};
    return std::filesystem::path(std::wstring(name, length)).parent_path();
}

// A name no one can guess, made by this call alone (another folder of that name fails it).
TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               (prefix + "-" + std::to_string(random()) + std::to_string(random()));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::filesystem::filesystem_error(
        "cannot create a temporary folder", std::filesystem::temp_directory_path(),
        std::error_code(static_cast<int>(GetLastError()), std::system_category()));
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace veltra

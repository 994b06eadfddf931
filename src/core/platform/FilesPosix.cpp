#include "veltra/platform/Files.h"

#include <cerrno>
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <system_error>

namespace veltra {

FileIdentity identifyFile(const std::string& utf8Path) {
    struct stat status {};
    if (::stat(utf8Path.c_str(), &status) != 0)
        return {};
    const auto nanoseconds = [](const timespec& time) {
        return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
    };
    return {static_cast<long long>(status.st_size), nanoseconds(status.st_mtim),
            static_cast<long long>(status.st_ino), static_cast<long long>(status.st_dev),
            nanoseconds(status.st_ctim)};
}

std::filesystem::path folderHolding(const void* code) {
    Dl_info info{};
    if (::dladdr(code, &info) == 0 || !info.dli_fname)
        return {};
    std::error_code ignored;
    return std::filesystem::canonical(info.dli_fname, ignored).parent_path();
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::filesystem::filesystem_error("cannot create a temporary folder", pattern,
                                                std::error_code(errno, std::generic_category()));
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace veltra

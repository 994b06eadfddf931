// The copies' folder and files on a POSIX system: nothing that another user can write is
// trusted, by owner and mode.
#include "Errors.h"
#include "sqlite/CheckedFiles.h"
#include "sqlite/CopyFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltra::detail {

namespace {

std::filesystem::path userCacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return cache;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".cache";
    return {};
}

// A folder that only its owner, the user or the system, can change: owned by one of them
// and writable by no one else, unless sticky (as /tmp is), where no one else can move or
// remove what the user made.
bool isSafeAncestor(const std::filesystem::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    const bool owner = status.st_uid == ::geteuid() || status.st_uid == 0;
    const bool othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return owner && (!othersWrite || (status.st_mode & S_ISVTX) != 0);
}

// A folder of the user's alone: made 0700 when missing, never a link, owned by the user,
// writable by no one else; one that others may read is closed to them.
bool makePrivateFolder(const std::filesystem::path& folder) {
    ::mkdir(folder.c_str(), 0700);
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return false;
    return (status.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

// A new draft beside the copy's place, made exclusively under a name no one can guess (no
// file or link of that name can be there before it).
} // namespace

std::filesystem::path newDraftFor(const std::filesystem::path& file) {
    std::string pattern = file.string() + ".draft-XXXXXX";
    const int made = ::mkstemp(pattern.data());
    if (made < 0)
        fail(DataError::CopyNotMade, {file.string(), ""});
    ::close(made);
    return pattern;
}

std::optional<std::filesystem::path> userCopyFolder() {
    const auto cache = userCacheFolder().lexically_normal();
    if (cache.empty() || !cache.is_absolute())
        return std::nullopt;
    ::mkdir(cache.c_str(), 0700);
    for (auto folder = cache; folder != folder.parent_path(); folder = folder.parent_path())
        if (!isSafeAncestor(folder))
            return std::nullopt;
    const auto folder = cache / "veltra" / "copies";
    if (!makePrivateFolder(folder.parent_path()) || !makePrivateFolder(folder) ||
        ::access(folder.c_str(), W_OK) != 0)
        return std::nullopt;
    return folder;
}

bool isOwnCopy(const std::filesystem::path& file) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return false;
    unsigned char header[100] = {};
    const int opened = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (opened < 0)
        return false;
    const auto read = ::read(opened, header, sizeof header);
    ::close(opened);
    return read == sizeof header && hasChecksums(header, sizeof header);
}

} // namespace veltra::detail

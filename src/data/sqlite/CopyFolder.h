// This file is not part of the API. Where copy files live and which ones may be read, per
// system: the user's own folder, copies of the user's own, drafts made exclusively.
#pragma once

#include <filesystem>
#include <optional>

namespace veltra::detail {

// The folder "veltra/copies" of the user's cache folder, made if needed with no one else
// let in; nullopt when it cannot be made or written, or when someone else could change it
// or what leads to it.
std::optional<std::filesystem::path> userCopyFolder();
// Whether a copy file may be read: a file of the user's own that no one else can write,
// whose pages carry checksums.
bool isOwnCopy(const std::filesystem::path& file);
// A new, empty draft beside the copy's place, made exclusively under a name no one can
// guess (no file or link of that name can be there before it); throws veltra::Error.
std::filesystem::path newDraftFor(const std::filesystem::path& file);

} // namespace veltra::detail

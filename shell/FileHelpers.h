#pragma once
// Path and file tests, folder listing and name splitting shared by the tool windows.
// Paths use "/" as separator.
#include <functional>
#include <string>
#include <vector>

#include "shell/RuntimeError.h"

namespace nalo {

// `path` without trailing blanks, with one "/" appended unless it already ends with one.
std::string AddBackslash(const std::string& path);

// The text up to the last "/", without that "/" ("/dir/file" -> "/dir", "file" -> "").
// The root stays the root ("/file" -> "/").
std::string ParentPath(const std::string& path);

// True for an existing folder whose entries can be listed. Never raises.
bool FolderExists(const std::string& path);

// True for a regular file that can be opened for reading (one trailing "/" ignored).
// Never raises and never blocks.
bool FileExists(const std::string& path);

// Listing attributes: an ordinary writable file, a read-only one (no write permission
// for its owner) and the archive attribute, which no file carries here.
inline constexpr int AttrNormal = 0;
inline constexpr int AttrReadOnly = 1;
inline constexpr int AttrArchive = 32;

struct ListingHooks {
    // Run after each file taken, so the window stays responsive.
    std::function<void()> letEventsRun;
    // Told once when the folder cannot be read; the listing then ends.
    std::function<void(const RuntimeError&)> onError;
};

// Appends folder + "/" + name for every file of `pattern` (folder + "/" + wildcard,
// "*" and "?" matched without regard to case) whose attribute is exactly `attribute`.
// Hidden names (leading dot) and anything but regular files are never listed; the
// names of one call come sorted without regard to case. A missing folder lists
// nothing. Returns false after an error (reported through hooks.onError).
bool CollectFiles(const std::string& pattern, int attribute, std::vector<std::string>& list,
                  const ListingHooks& hooks = {});

// The folder listing of the tool windows: the passes 0, 32 and 1 over one wildcard into
// one list of full paths. An error is reported once and ends the listing.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& wildcard,
                                    const ListingHooks& hooks = {});

// The name after the last "/".
std::string FileNameOf(const std::string& path);

// Splits `name` at its first ".": base before it, ext after it. Without a "." base is
// the whole name and ext is left as it was.
void SplitName(const std::string& name, std::string& base, std::string& ext);

// True when `name` matches the wildcard (* and ?) without regard to ASCII case.
// A trailing ".*" also matches a name without extension, so "*.*" matches every name.
bool WildcardMatch(const std::string& wildcard, const std::string& name);

// Case-insensitive (ASCII) ordering, ties broken by the exact bytes.
bool LessNoCase(const std::string& a, const std::string& b);

}  // namespace nalo

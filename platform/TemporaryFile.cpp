#include "platform/TemporaryFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr int RandomChars = 6;              // mkstemps' XXXXXX
constexpr time_t UnownedLeftoverAge = 3600;  // seconds

bool isRandomPart(std::string_view s) {
    return s.size() == RandomChars && std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(uint8_t(c)); });
}

// The process number of a "PID.XXXXXX" middle; 0 for the "XXXXXX" of earlier names,
// -1 for anything else.
long ownerOf(std::string_view middle) {
    if (isRandomPart(middle)) return 0;
    const size_t dot = middle.find('.');
    if (dot == 0 || dot > 10 || dot == std::string_view::npos || !isRandomPart(middle.substr(dot + 1))) return -1;
    long pid = 0;
    for (char c : middle.substr(0, dot)) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && pid <= INT32_MAX ? pid : -1;
}

bool leftover(int dir, const char* name, long owner) {
    if (owner > 0) return ::kill(pid_t(owner), 0) != 0 && errno == ESRCH;
    struct stat st {};
    return ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           std::time(nullptr) - st.st_mtime > UnownedLeftoverAge;
}

// Creates folder/STEM.PID.XXXXXX.EXT exclusively; its path, or "" when it cannot.
std::string reserve(const std::string& folder, const std::string& stem, const std::string& extension) {
    std::string path = folder + "/" + stem + "." + std::to_string(::getpid()) + ".XXXXXX" + extension;
    const int fd = ::mkstemps(path.data(), static_cast<int>(extension.size()));
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

}  // namespace

void sweepTemporaryFiles(const std::string& folder, const std::string& stem, const std::string& extension) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    const std::string prefix = stem + ".";
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() <= prefix.size() + extension.size() || !name.starts_with(prefix) || !name.ends_with(extension))
            continue;
        const long owner = ownerOf(name.substr(prefix.size(), name.size() - prefix.size() - extension.size()));
        if (owner >= 0 && leftover(::dirfd(d), e->d_name, owner)) ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& stem, const std::string& extension) {
    sweepTemporaryFiles(folder, stem, extension);
    path_ = reserve(folder, stem, extension);
    if (!path_.empty()) return;
    const int why = errno;
    const char* tmp = std::getenv("TMPDIR");
    const std::string fallback = tmp && *tmp ? tmp : "/tmp";
    sweepTemporaryFiles(fallback, stem, extension);
    path_ = reserve(fallback, stem, extension);
    if (path_.empty()) raiseFileError("TemporaryFile", folder + "/" + stem + ".XXXXXX" + extension, why);
}

TemporaryFile::~TemporaryFile() { ::unlink(path_.c_str()); }

}  // namespace nalo

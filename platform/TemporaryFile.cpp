#include "platform/TemporaryFile.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// Creates folder/STEM.XXXXXX.EXT exclusively; its path, or "" when it cannot.
std::string reserve(const std::string& folder, const std::string& stem, const std::string& extension) {
    std::string path = folder + "/" + stem + ".XXXXXX" + extension;
    const int fd = ::mkstemps(path.data(), static_cast<int>(extension.size()));
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& stem, const std::string& extension)
    : path_(reserve(folder, stem, extension)) {
    if (!path_.empty()) return;
    const int why = errno;
    const char* tmp = std::getenv("TMPDIR");
    path_ = reserve(tmp && *tmp ? tmp : "/tmp", stem, extension);
    if (path_.empty()) raiseFileError("TemporaryFile", folder + "/" + stem + ".XXXXXX" + extension, why);
}

TemporaryFile::~TemporaryFile() { ::unlink(path_.c_str()); }

}  // namespace nalo

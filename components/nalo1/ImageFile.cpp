#include "components/nalo1/ImageFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "components/nalo1/DiscLayout.h"

namespace nalo::discimage {

ImageFile::ImageFile(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) malformed("%s", std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        malformed("not a regular file");
    }
    size_ = static_cast<uint64_t>(st.st_size);
}

ImageFile::~ImageFile() {
    if (fd_ >= 0) ::close(fd_);
}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

bool ImageFile::readAt(uint64_t offset, void* data, size_t count) const {
    auto* at = static_cast<uint8_t*>(data);
    while (count > 0) {
        if (offset > static_cast<uint64_t>(INT64_MAX) - count) return false;
        const ssize_t n = ::pread(fd_, at, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace nalo::discimage

#include "platform/SwapFile.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "shell/AppPath.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// Room is reserved in steps of this many bytes.
constexpr uint64_t ReserveStep = uint64_t(64) << 20;
constexpr uint64_t Block = 4096;

int openAnonymous(const std::string& folder) {
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// Runs preadv or pwritev over all the blocks, resuming after short transfers.
template <class Transfer>
bool transferAll(std::vector<iovec> v, uint64_t offset, Transfer transfer) {
    size_t first = 0;
    while (first < v.size()) {
        const ssize_t n = transfer(v.data() + first, static_cast<int>(std::min<size_t>(v.size() - first, IOV_MAX)),
                                   static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        offset += static_cast<uint64_t>(n);
        auto left = static_cast<size_t>(n);
        while (first < v.size() && left >= v[first].iov_len) left -= v[first++].iov_len;
        if (first < v.size()) {
            v[first].iov_base = static_cast<uint8_t*>(v[first].iov_base) + left;
            v[first].iov_len -= left;
        }
    }
    return true;
}

// Reserves [from, to) of the file; false with the error number in `why`.
bool reserve(int fd, uint64_t from, uint64_t to, int& why) {
    while ((why = ::posix_fallocate(fd, static_cast<off_t>(from), static_cast<off_t>(to - from))) == EINTR) {
    }
    return why == 0;
}

}  // namespace

SwapFile::SwapFile(std::string folder, std::string source) : folder_(std::move(folder)), source_(std::move(source)) {}

void SwapFile::open() {
    const std::string folder = folder_.empty() ? workFolder() : folder_;
    int fd = openAnonymous(folder);
    opened_ = folder;
    if (fd < 0) {
        const int why = errno;
        const char* tmp = std::getenv("TMPDIR");
        const std::string other = tmp && *tmp ? tmp : "/tmp";
        fd = openAnonymous(other);
        if (fd < 0) fail(why);
        opened_ = other;
    }
    fd_.emplace(fd);
    end_ = reserved_ = 0;
}

void SwapFile::fail(int errnoValue) const {
    raiseFileError(source_, (opened_.empty() ? folder_ : opened_) + "/(temporary file of frames)", errnoValue);
}

void SwapFile::reserveTo(uint64_t end) {
    if (end <= reserved_) return;
    // A whole step ahead, or just what is asked for when the disk has less room.
    const uint64_t step = (end + ReserveStep - 1) / ReserveStep * ReserveStep;
    int why = 0;
    if (reserve(fd_->get(), reserved_, step, why)) {
        reserved_ = step;
    } else if (reserve(fd_->get(), reserved_, end, why)) {
        reserved_ = end;
    } else {
        fail(why);
    }
}

SwapFile::Place SwapFile::take(uint64_t bytes) {
    bytes = std::max<uint64_t>(Block, (bytes + Block - 1) / Block * Block);
    // The smallest released place that holds it.
    auto best = free_.end();
    for (auto it = free_.begin(); it != free_.end(); ++it)
        if (it->capacity >= bytes && (best == free_.end() || it->capacity < best->capacity)) best = it;
    if (best != free_.end()) {
        const Place p = *best;
        free_.erase(best);
        return p;
    }
    if (!fd_) open();
    reserveTo(end_ + bytes);
    const Place p{end_, bytes};
    end_ += bytes;
    return p;
}

void SwapFile::release(Place place) {
    if (place.capacity) free_.push_back(place);
}

void SwapFile::write(const Place& place, const std::vector<std::pair<const void*, size_t>>& blocks) {
    std::vector<iovec> v;
    for (const auto& [data, size] : blocks)
        if (size) v.push_back({const_cast<void*>(data), size});
    if (v.empty()) return;
    if (!fd_ || !transferAll(std::move(v), place.offset, [&](const iovec* iov, int n, off_t at) {
            return ::pwritev(fd_->get(), iov, n, at);
        }))
        fail(fd_ ? errno : EBADF);
}

void SwapFile::read(const Place& place, const std::vector<std::pair<void*, size_t>>& blocks) {
    std::vector<iovec> v;
    for (const auto& [data, size] : blocks)
        if (size) v.push_back({data, size});
    if (v.empty()) return;
    if (!fd_ || !transferAll(std::move(v), place.offset, [&](const iovec* iov, int n, off_t at) {
            return ::preadv(fd_->get(), iov, n, at);
        }))
        fail(fd_ ? errno : EBADF);
}

void SwapFile::clear() {
    fd_.reset();
    free_.clear();
    end_ = reserved_ = 0;
}

}  // namespace nalo

#include "platform/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {


constexpr size_t WriteBufferSize = size_t(1) << 20;

std::string randomSuffix() {
    std::random_device rd;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".nalo-%08x.tmp", static_cast<unsigned>(rd()));
    return suffix;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void raiseNotRegular(const std::string& source, const std::string& path) {
    throw RuntimeError(err::BadFileMode, source, path + ": not a regular file");
}

}  // namespace

int openSourceFile(const std::string& path, const std::string& source) {
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) raiseFileError(source, path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) raiseFileError(source, path, errno);
    if (S_ISDIR(st.st_mode)) raiseFileError(source, path, EISDIR);
    if (!S_ISREG(st.st_mode)) raiseNotRegular(source, path);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) raiseFileError(source, path, errno);
    return fd.release();
}

void requireRegularFile(const std::string& path, const std::string& source) {
    FileDescriptor fd(openSourceFile(path, source));
}

FileBuffer readFileBytes(const std::string& path, const std::string& source) {
    FileDescriptor fd(openSourceFile(path, source));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) raiseFileError(source, path, errno);
    FileBuffer bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseFileError(source, path, errno);
        }
        if (n == 0) break;  // the file shrank while reading
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void refuseReadOnlyTarget(const std::string& path, const std::string& source) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0)
        throw RuntimeError(err::PermissionDenied, source, path + ": read-only file, not replaced");
}

AtomicFileWriter::AtomicFileWriter(std::string path, std::string source, int mode)
    : path_(std::move(path)), source_(std::move(source)) {
    refuseReadOnlyTarget(path_, source_);
    const mode_t createMode = mode < 0 ? 0666 : static_cast<mode_t>(mode);
    fd_ = ::open(folderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode);
    anonymous_ = fd_ >= 0;
    if (!anonymous_ && !openNamed(static_cast<int>(createMode))) raiseFileError(source_, path_, EEXIST);
    if (mode >= 0 && ::fchmod(fd_, createMode) != 0) fail(errno);
    buffer_.resize(WriteBufferSize);
}

bool AtomicFileWriter::openNamed(int mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = path_ + randomSuffix();
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
        if (fd_ >= 0) return named_ = true;
        if (errno != EEXIST) raiseFileError(source_, path_, errno);
    }
    return false;
}

// Gives the anonymous file a fresh name beside the target; linkat never replaces
// an existing name, so nothing planted there is followed or overwritten.
void AtomicFileWriter::linkAnonymous() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = path_ + randomSuffix();
        int r = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW);
        if (r != 0 && errno == ENOENT) r = ::linkat(fd_, "", AT_FDCWD, temp_.c_str(), AT_EMPTY_PATH);
        if (r == 0) {
            named_ = true;
            return;
        }
        if (errno != EEXIST) fail(errno);
    }
    fail(EEXIST);
}

void AtomicFileWriter::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (named_) ::unlink(temp_.c_str());
    named_ = false;
}

AtomicFileWriter::~AtomicFileWriter() {
    closeStream();
    discard();
}

ssize_t AtomicFileWriter::streamWrite(void* cookie, const char* data, size_t size) {
    auto* self = static_cast<AtomicFileWriter*>(cookie);
    if (!self->streamError_) {
        try {
            self->write(data, size);
            return static_cast<ssize_t>(size);
        } catch (...) {
            self->streamError_ = std::current_exception();
        }
    }
    errno = EIO;
    return -1;
}

std::FILE* AtomicFileWriter::stream() {
    if (!stream_) {
        cookie_io_functions_t io{};
        io.write = &AtomicFileWriter::streamWrite;
        stream_ = ::fopencookie(this, "w", io);
        if (!stream_) fail(errno);
        std::setvbuf(stream_, nullptr, _IONBF, 0);
    }
    return stream_;
}

void AtomicFileWriter::closeStream() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
}

void AtomicFileWriter::fail(int errnoValue) {
    discard();
    raiseFileError(source_, path_, errnoValue);
}

void AtomicFileWriter::writeRaw(const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void AtomicFileWriter::flush() {
    writeRaw(buffer_.data(), used_);
    used_ = 0;
}

void AtomicFileWriter::write(const void* data, size_t size) {
    auto p = static_cast<const uint8_t*>(data);
    if (used_ + size <= buffer_.size()) {
        std::memcpy(buffer_.data() + used_, p, size);
        used_ += size;
        return;
    }
    flush();
    if (size >= buffer_.size()) {
        writeRaw(p, size);
    } else {
        std::memcpy(buffer_.data(), p, size);
        used_ = size;
    }
}

void AtomicFileWriter::writeAt(uint64_t offset, const void* data, size_t size) {
    flush();
    auto p = static_cast<const uint8_t*>(data);
    auto at = static_cast<off_t>(offset);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, at);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        p += n;
        at += n;
        size -= static_cast<size_t>(n);
    }
}

void AtomicFileWriter::sync() {
    flush();
    if (::fdatasync(fd_) != 0 && errno != EINVAL) fail(errno);
}

void AtomicFileWriter::reserve(uint64_t size) {
    // Allocated now, the blocks need no delayed allocation when the rename replaces
    // the target (ext4 would otherwise write the whole file out during the rename).
    // Filesystems without fallocate simply skip it.
    if (fd_ >= 0) (void)::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
}

bool AtomicFileWriter::copyFrom(int fd, uint64_t offset, uint64_t size) {
    flush();
    auto in = static_cast<off_t>(offset);
    bool kernel = true;

    while (size > 0) {
        if (kernel) {
            const ssize_t n = ::copy_file_range(fd, &in, fd_, nullptr, static_cast<size_t>(std::min<uint64_t>(size, 1u << 30)), 0);
            if (n > 0) {
                size -= static_cast<uint64_t>(n);
                continue;
            }
            if (n == 0) return false;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) fail(errno);
            kernel = false;  // another filesystem or an old kernel: copy through the buffer
        }
        const ssize_t n = ::pread(fd, buffer_.data(), static_cast<size_t>(std::min<uint64_t>(size, buffer_.size())), in);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) return false;
        writeRaw(buffer_.data(), static_cast<size_t>(n));
        in += n;
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

void AtomicFileWriter::seek(uint64_t offset) {
    flush();
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) fail(errno);
}

void AtomicFileWriter::commit() {
    closeStream();
    if (streamError_) std::rethrow_exception(std::exchange(streamError_, nullptr));
    if (fd_ < 0) return;
    flush();
    if (anonymous_) linkAnonymous();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
    try {
        refuseReadOnlyTarget(path_, source_);
    } catch (...) {
        discard();
        throw;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) fail(errno);
    named_ = false;
}

void AtomicFileWriter::commitAs(std::string path) {
    path_ = std::move(path);
    commit();
}

}  // namespace nalo

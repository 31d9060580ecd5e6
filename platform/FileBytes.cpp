#include "platform/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

constexpr size_t WriteBufferSize = size_t(1) << 20;

}  // namespace

FileBuffer readFileBytes(const std::string& path, const std::string& source) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) raiseFileError(source, path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) raiseFileError(source, path, errno);
    if (S_ISDIR(st.st_mode)) raiseFileError(source, path, EISDIR);
    if (!S_ISREG(st.st_mode)) raiseFileError(source, path, EINVAL);
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

AtomicFileWriter::AtomicFileWriter(std::string path, std::string source)
    : path_(std::move(path)), source_(std::move(source)) {
    std::random_device rd;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.part", static_cast<unsigned>(rd()));
        temp_ = path_ + suffix;
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) raiseFileError(source_, path_, errno);
    }
    if (fd_ < 0) raiseFileError(source_, path_, EEXIST);
    buffer_.resize(WriteBufferSize);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

void AtomicFileWriter::fail(int errnoValue) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
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

void AtomicFileWriter::commit() {
    if (fd_ < 0) return;
    flush();
    if (::close(fd_) != 0) {
        int e = errno;
        fd_ = -1;
        ::unlink(temp_.c_str());
        raiseFileError(source_, path_, e);
    }
    fd_ = -1;
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        int e = errno;
        ::unlink(temp_.c_str());
        raiseFileError(source_, path_, e);
    }
}

}  // namespace nalo

#pragma once
// Whole-file reading and safe file writing shared by the codecs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <sys/types.h>
#include <string>
#include <utility>
#include <vector>

namespace nalo {

// Leaves new elements uninitialised: a buffer about to be filled from a file is not
// cleared first.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using FileBuffer = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

// Opens a source file for reading without ever blocking (a FIFO or device is refused,
// not waited on). Returns the descriptor, owned by the caller; raises RuntimeError
// naming the file when it cannot be opened or is not a regular file.
int openSourceFile(const std::string& path, const std::string& source);

// Raises RuntimeError naming the file unless `path` is an existing regular file; for
// readers (libraries) that open the file themselves.
void requireRegularFile(const std::string& path, const std::string& source);

// Reads a whole regular file. Failures raise RuntimeError from raiseFileError
// (`source` names the caller, the message names the file).
FileBuffer readFileBytes(const std::string& path, const std::string& source);

// Raises PermissionDenied naming the file when `path` is an existing file without any
// write permission bit: such a target is never replaced (whoever runs the program).
void refuseReadOnlyTarget(const std::string& path, const std::string& source);

// The one routine by which files are written: the bytes go to a new file in the
// target's folder, renamed over the target on commit(). Until then the target is
// untouched. The new file is anonymous (O_TMPFILE) where the filesystem allows it, so
// a killed run leaves nothing; elsewhere it is created exclusively, never through a
// link, as TARGET.nalo-XXXXXXXX.tmp. An object destroyed without commit() (a failed
// write) removes it. A read-only target (refuseReadOnlyTarget) is refused.
class AtomicFileWriter {
public:
    // `mode`: the new file's exact permission bits; -1 for 0666 less the umask.
    AtomicFileWriter(std::string path, std::string source, int mode = -1);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, size_t size);
    // Moves the write position (after writing out what is buffered), for formats
    // whose headers are filled in at the end.
    void seek(uint64_t offset);
    void put(uint8_t byte) {
        if (used_ == buffer_.size()) flush();
        buffer_[used_++] = byte;
    }
    // A stdio stream writing through this writer, for encoders that take a FILE*
    // (unbuffered: the writer buffers). Closed by commit() or the destructor; a
    // failed write makes the stream report an error and commit() raise it.
    std::FILE* stream();
    // Reserves room for a file of `size` bytes, when the size is known beforehand.
    void reserve(uint64_t size);
    // Appends `size` bytes of the open file `fd` from `offset`, in the kernel where the
    // filesystem allows it. False when `fd` ends first.
    bool copyFrom(int fd, uint64_t offset, uint64_t size);
    // Writes `size` bytes at `offset` of the new file (after what is buffered), leaving
    // the position at the end; for headers completed once their length is known.
    void writeAt(uint64_t offset, const void* data, size_t size);
    // Hands what is buffered to the new file (no wait for the disk).
    void writeOut() { flush(); }
    // Writes out what is buffered and flushes the new file's data to disk.
    void sync();
    void commit();
    // Puts the file in place under another name in the same folder instead (a
    // partial result kept under a name that says so).
    void commitAs(std::string path);

private:
    static ssize_t streamWrite(void* cookie, const char* data, size_t size);
    void closeStream();
    void flush();
    void writeRaw(const uint8_t* data, size_t size);
    [[noreturn]] void fail(int errnoValue);
    bool openNamed(int mode);
    void linkAnonymous();
    void discard();

    std::string path_, temp_, source_;
    int fd_ = -1;
    bool anonymous_ = false;  // fd_ has no name yet (O_TMPFILE)
    bool named_ = false;      // temp_ exists on disk
    std::FILE* stream_ = nullptr;
    std::exception_ptr streamError_;
    FileBuffer buffer_;  // not cleared: only the bytes written are ever read
    size_t used_ = 0;
};

}  // namespace nalo

#pragma once
// Whole-file reading and safe file writing shared by the codecs.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
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

// Reads a whole regular file. Failures raise RuntimeError from raiseFileError
// (`source` names the caller, the message names the file).
FileBuffer readFileBytes(const std::string& path, const std::string& source);

// Writes a file under a temporary name in the target's folder and renames it over
// the target on commit(). Until then the target is untouched; an object destroyed
// without commit() (a failed write) removes the temporary file.
class AtomicFileWriter {
public:
    AtomicFileWriter(std::string path, std::string source);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, size_t size);
    void put(uint8_t byte) {
        if (used_ == buffer_.size()) flush();
        buffer_[used_++] = byte;
    }
    void commit();

private:
    void flush();
    void writeRaw(const uint8_t* data, size_t size);
    [[noreturn]] void fail(int errnoValue);

    std::string path_, temp_, source_;
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};

}  // namespace nalo

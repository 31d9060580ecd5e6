#pragma once
// Whole-file reading and safe file writing shared by the codecs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nalo {

// Reads a whole regular file. Failures raise RuntimeError from raiseFileError
// (`source` names the caller, the message names the file).
std::vector<uint8_t> readFileBytes(const std::string& path, const std::string& source);

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

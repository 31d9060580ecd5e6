#pragma once
// A regular file of a disc image open for reading (never a FIFO or device), closed
// when the object goes; reads at an offset that either fill the buffer or fail.
#include <cstddef>
#include <cstdint>
#include <string>

namespace nalo::discimage {

class ImageFile {
public:
    // Raises ImageError when the file cannot be opened or is not a regular file.
    explicit ImageFile(const std::string& path);
    ~ImageFile();
    ImageFile(ImageFile&& other) noexcept;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ImageFile& operator=(ImageFile&&) = delete;

    uint64_t size() const { return size_; }
    // True when all `count` bytes at `offset` were read.
    bool readAt(uint64_t offset, void* data, size_t count) const;

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace nalo::discimage

#pragma once
// A file for bytes moved out of memory: anonymous (O_TMPFILE, never named, so a killed
// run leaves nothing on disk), opened in the given folder on first use, or in the
// user's temporary folder when that folder cannot take it. Places in it are reused
// once released; room is reserved ahead (fallocate) so that a full disk is reported
// when a place is taken, as a RuntimeError naming the folder.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileDescriptor.h"

namespace nalo {

class SwapFile {
public:
    struct Place {
        uint64_t offset = 0;
        uint64_t capacity = 0;  // 0: no place
    };

    // `folder` "" is the work folder; `source` names the caller in errors.
    SwapFile(std::string folder, std::string source);
    SwapFile(const SwapFile&) = delete;
    SwapFile& operator=(const SwapFile&) = delete;

    // A place of at least `bytes` bytes (a released one when one is large enough).
    Place take(uint64_t bytes);
    void release(Place place);
    // Gathers the blocks (data, size) one after another from the start of `place`.
    void write(const Place& place, const std::vector<std::pair<const void*, size_t>>& blocks);
    void read(const Place& place, const std::vector<std::pair<void*, size_t>>& blocks);
    // Gives every place and the disk space back.
    void clear();

private:
    void open();
    void reserveTo(uint64_t end);
    [[noreturn]] void fail(int errnoValue) const;

    std::string folder_, source_, opened_;
    std::optional<FileDescriptor> fd_;
    uint64_t end_ = 0, reserved_ = 0;
    std::vector<Place> free_;
};

}  // namespace nalo

#pragma once
// giflib over a byte buffer in memory: the read callback and the decoder handle.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include <gif_lib.h>

namespace nalo {

struct GiflibMemoryInput {
    std::span<const uint8_t> data;
    size_t pos = 0;

    static int read(GifFileType* gif, GifByteType* buf, int size) {
        auto* in = static_cast<GiflibMemoryInput*>(gif->UserData);
        const size_t n = std::min(static_cast<size_t>(size), in->data.size() - in->pos);
        std::memcpy(buf, in->data.data() + in->pos, n);
        in->pos += n;
        return static_cast<int>(n);
    }
};

// Closes the decoder when it goes.
struct GiflibHandle {
    GifFileType* gif = nullptr;
    GiflibHandle() = default;
    GiflibHandle(const GiflibHandle&) = delete;
    GiflibHandle& operator=(const GiflibHandle&) = delete;
    ~GiflibHandle() {
        if (gif) {
            int e = 0;
            DGifCloseFile(gif, &e);
        }
    }
};

// An LZW code stands for at most 4096 pixels and takes at least 3 bits.
inline constexpr int64_t GifMaxPixelsPerByte = 4096 * 8 / 3;

}  // namespace nalo

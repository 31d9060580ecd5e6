#pragma once
// The AVI side of the AVI-to-images tool: the file, its first video stream and a
// reader of 24-bit bottom-up frames at the stream's size, opened in the order the
// tool takes them and released frame reader, stream, file.
#include <cstdint>
#include <string>

#include "platform/AviFile.h"

namespace nalo::a2bj {

enum class AviOpen {
    Ok,
    NoFrames,    // the first frame number or the length is -1: nothing is said
    Unreadable,  // "Error : " + CRLF + path
    Not24Bit,    // "Error : AVI 256色は無効 " + CRLF + path
};

struct StreamFacts {
    int32_t first = 0, length = 0;  // the stream's own frame numbers
    int32_t width = 0, height = 0;  // its frame rectangle
    int32_t last() const { return first + length - 1; }
};

class AviFrameSource {
public:
    AviFrameSource() = default;
    ~AviFrameSource();
    AviFrameSource(const AviFrameSource&) = delete;
    AviFrameSource& operator=(const AviFrameSource&) = delete;

    AviOpen open(const std::string& path);
    const StreamFacts& facts() const { return facts_; }
    const std::string& path() const { return path_; }
    // Frame `number` as a packed 24-bit DIB, owned by the source until the next call;
    // null when it cannot be decoded.
    const BITMAPINFOHEADER* frame(int32_t number) { return AVIStreamGetFrame(reader_, number); }

private:
    void release();

    AviLibraryScope library_;
    PAVIFILE file_;
    PAVISTREAM stream_;
    PGETFRAME reader_;
    StreamFacts facts_;
    std::string path_;
};

// The message the window shows for an open result; empty for Ok and NoFrames.
std::string openMessage(AviOpen result, const std::string& path);

}  // namespace nalo::a2bj

#pragma once
// cDIB: a BMP file (or a packed DIB) held as its raw blocks, for writing its format
// and pixels into an AVI stream, and written back as a BMP file.
#include <cstdint>
#include <string>

#include "codecs/DibBlocks.h"
#include "shell/UserMessage.h"

namespace nalo {

class cDIB {
public:
    // Loads the file's blocks. Refused, with the message of LastMessage(): a missing
    // file, one that cannot be opened, one that is not "BM", and one whose pixel
    // offset lies before 54 or whose pixels (offset + image size, size at least 1)
    // do not lie inside the file.
    bool CreateFromFile(const std::string& fileName);
    // As FDIBPointer; a bit count below 16 leaves its message in LastMessage().
    bool CreateFromPackedDIBPointer(const void* address);
    // Writes the blocks as a BMP file (temporary file renamed over the target).
    bool WriteToFile(const std::string& fileName) const;

    // The message of the last refused load; empty text when the refusal is silent.
    const UserMessage& LastMessage() const { return message_; }

    int32_t BitCount() const { return blocks_.infoHeader.biBitCount; }
    int32_t Height() const { return blocks_.infoHeader.biHeight; }
    int32_t Width() const { return blocks_.infoHeader.biWidth; }
    int32_t Compression() const { return static_cast<int32_t>(blocks_.infoHeader.biCompression); }
    int32_t SizeInfoHeader() const { return static_cast<int32_t>(blocks_.infoHeader.biSize); }
    int32_t SizeImage() const { return static_cast<int32_t>(blocks_.infoHeader.biSizeImage); }
    int32_t Planes() const { return blocks_.infoHeader.biPlanes; }
    int32_t ClrImportant() const { return static_cast<int32_t>(blocks_.infoHeader.biClrImportant); }
    int32_t ClrUsed() const { return static_cast<int32_t>(blocks_.infoHeader.biClrUsed); }
    int32_t XPPM() const { return blocks_.infoHeader.biXPelsPerMeter; }
    int32_t YPPM() const { return blocks_.infoHeader.biYPelsPerMeter; }
    int32_t FileType() const { return blocks_.fileHeader.bfType; }
    int32_t SizeFileHeader() const { return static_cast<int32_t>(blocks_.fileHeader.bfSize); }
    int32_t BitOffset() const { return static_cast<int32_t>(blocks_.fileHeader.bfOffBits); }
    // These three raise error 91 until a load has succeeded.
    const uint8_t* PointerToBits() const;
    const uint8_t* PointerToBitmapInfo() const;
    int32_t SizeBitmapInfo() const;

private:
    bool refuse(std::string text, MessageIcon icon);
    void requireLoaded() const;

    DibBlocks blocks_;
    UserMessage message_;
};

}  // namespace nalo

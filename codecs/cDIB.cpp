#include "codecs/cDIB.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr const char* Crlf = "\r\n";

}  // namespace

bool cDIB::refuse(std::string text, MessageIcon icon) {
    blocks_.clear();
    message_ = {std::move(text), icon};
    return false;
}

bool cDIB::CreateFromFile(const std::string& fileName) {
    blocks_.clear();
    message_ = {};
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        return refuse("ﾌｧｲﾙが存在しません :" + std::string(Crlf) + fileName, MessageIcon::Critical);
    // Without blocking: a FIFO is refused below, never waited on.
    FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == EACCES || errno == EPERM)
            return refuse("ﾌｧｲﾙがﾛｯｸされています :" + std::string(Crlf) + fileName, MessageIcon::Critical);
        return refuse(std::strerror(errno), MessageIcon::Information);
    }
    if (::fstat(fd.get(), &st) != 0) return refuse(std::strerror(errno), MessageIcon::Information);
    if (!S_ISREG(st.st_mode)) return refuse(std::strerror(EISDIR), MessageIcon::Information);
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    const std::string unsupported = "ｻﾎﾟｰﾄされていないﾌｧｲﾙﾌｫｰﾏｯﾄです :" + std::string(Crlf) + fileName;

    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    if (!readFullyAt(fd.get(), &fileHeader, sizeof fileHeader, 0)) {
        if (errno != 0) return refuse(std::strerror(errno), MessageIcon::Information);
        return refuse(unsupported, MessageIcon::Information);
    }
    if (fileHeader.bfType != BitmapFileType) return refuse(unsupported, MessageIcon::Information);
    // The header block must hold the 40-byte info header and the pixels must lie
    // inside the file: nothing is allocated or read beyond what the file holds.
    const uint64_t offset = fileHeader.bfOffBits;
    if (offset < BitmapHeadersSize || !readFullyAt(fd.get(), &infoHeader, sizeof infoHeader, 14))
        return refuse(unsupported, MessageIcon::Information);
    const uint64_t imageSize = infoHeader.biSizeImage;
    if (imageSize < 1 || offset + imageSize > fileSize) return refuse(unsupported, MessageIcon::Information);

    blocks_.fileHeader = fileHeader;
    blocks_.infoHeader = infoHeader;
    blocks_.pixels.resize(imageSize);
    blocks_.infoBytes.resize(offset - 14);
    if (!readFullyAt(fd.get(), blocks_.pixels.data(), imageSize, offset) ||
        !readFullyAt(fd.get(), blocks_.infoBytes.data(), blocks_.infoBytes.size(), 14)) {
        if (errno != 0) return refuse(std::strerror(errno), MessageIcon::Information);
        return refuse(unsupported, MessageIcon::Information);  // the file shrank meanwhile
    }
    blocks_.loaded_ = true;
    return true;
}

bool cDIB::CreateFromPackedDIBPointer(const void* address) {
    message_ = {};
    switch (blocks_.loadPackedDib(address)) {
    case PackedDibLoad::Loaded: return true;
    case PackedDibLoad::TooFewColours: return refuse("この画像ﾌｧｲﾙの色はｻﾎﾟｰﾄしていません!", MessageIcon::None);
    case PackedDibLoad::NoPixels: break;
    }
    return false;
}

bool cDIB::WriteToFile(const std::string& fileName) const { return blocks_.writeToFile(fileName, "cDIB"); }

void cDIB::requireLoaded() const {
    if (!blocks_.loaded()) throw RuntimeError(err::ObjectVariableNotSet, "cDIB", "Object variable not set");
}

const uint8_t* cDIB::PointerToBits() const {
    requireLoaded();
    return blocks_.pixels.data();
}

const uint8_t* cDIB::PointerToBitmapInfo() const {
    requireLoaded();
    return blocks_.infoBytes.data();
}

int32_t cDIB::SizeBitmapInfo() const {
    requireLoaded();
    return static_cast<int32_t>(blocks_.infoBytes.size());
}

}  // namespace nalo

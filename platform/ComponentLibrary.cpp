#include "platform/ComponentLibrary.h"

#include <algorithm>
#include <dlfcn.h>

#include "shell/ErrHandler.h"
#include "shell/RuntimeError.h"
#include "shell/SystemDir.h"

namespace nalo {

ComponentLibrary::ComponentLibrary(const std::string& path) : path_(path) {
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        throw RuntimeError(err::ComponentLoad, "ComponentLibrary",
                           path + " を読み込めませんでした。" + (why ? std::string(" (") + why + ")" : ""));
    }
}

ComponentLibrary::~ComponentLibrary() {
    if (handle_) ::dlclose(handle_);
}

void* ComponentLibrary::symbol(const char* name) const {
    ::dlerror();
    void* p = ::dlsym(handle_, name);
    if (!p)
        throw RuntimeError(err::ComponentEntryPoint, "ComponentLibrary",
                           path_ + " に関数 " + name + " がありません。");
    return p;
}

std::string componentPath(const std::string& fileName) {
    std::string dir = SystemDir;
    if (dir.empty()) {
        auto located = locateSystemDir();
        if (!located)
            throw RuntimeError(err::ComponentLoad, "ComponentLibrary", "SystemDirectoryを取得できませんでした。");
        dir = *located;
    }
    return dir + "/" + fileName;
}

JpegComponent::JpegComponent()
    : lib_(componentPath("Nalo3.dll")),
      convert_(lib_.function<decltype(convert_)>("ConvertBMPtoJPG")) {}

int32_t JpegComponent::ConvertBMPtoJPG(const std::string& bmpPath, const std::string& jpgPath, int32_t a,
                                       int32_t quality, int32_t b) const {
    return guardedCall([&] { return convert_(bmpPath.c_str(), jpgPath.c_str(), a, quality, b); });
}

Mp3Encoder::Mp3Encoder()
    : lib_(componentPath("Nalo2.dll")),
      init_(lib_.function<decltype(init_)>("beInitStream")),
      encode_(lib_.function<decltype(encode_)>("beEncodeChunk")),
      deinit_(lib_.function<decltype(deinit_)>("beDeinitStream")),
      close_(lib_.function<decltype(close_)>("beCloseStream")) {}

uint32_t Mp3Encoder::beInitStream(const uint8_t* config, uint32_t& samples, uint32_t& bufferSize,
                                  uint32_t& stream) const {
    return guardedCall([&] { return init_(config, &samples, &bufferSize, &stream); });
}
uint32_t Mp3Encoder::beEncodeChunk(uint32_t stream, uint32_t count, const int16_t* pcm, uint8_t* output,
                                   uint32_t& outputLength) const {
    return guardedCall([&] { return encode_(stream, count, pcm, output, &outputLength); });
}
uint32_t Mp3Encoder::beDeinitStream(uint32_t stream, uint8_t* output, uint32_t& outputLength) const {
    return guardedCall([&] { return deinit_(stream, output, &outputLength); });
}
uint32_t Mp3Encoder::beCloseStream(uint32_t stream) const {
    return guardedCall([&] { return close_(stream); });
}

CdReader::CdReader()
    : lib_(componentPath("Nalo1.dll")),
      numAdapters_(lib_.function<decltype(numAdapters_)>("GetNumAdapters")),
      cdList_(lib_.function<decltype(cdList_)>("GetCDList")),
      cdHandle_(lib_.function<decltype(cdHandle_)>("GetCDHandle")),
      modify_(lib_.function<decltype(modify_)>("ModifyCDParms")),
      readToc_(lib_.function<decltype(readToc_)>("ReadTOC")),
      readAudio_(lib_.function<decltype(readAudio_)>("ReadCDAudioLBA")),
      closeHandle_(lib_.function<decltype(closeHandle_)>("CloseCDHandle")),
      lastError_(lib_.function<decltype(lastError_)>("GetAspiLibError")),
      addImage_(lib_.optionalFunction<decltype(addImage_)>("AddCDImage")),
      cdText_(lib_.optionalFunction<decltype(cdText_)>("GetCDText")),
      imageError_(lib_.optionalFunction<decltype(imageError_)>("GetCDImageError")) {}

uint32_t CdReader::GetNumAdapters() const { return guardedCall([&] { return numAdapters_(); }); }
uint32_t CdReader::GetCDList(uint8_t* list) const { return guardedCall([&] { return cdList_(list); }); }
uint8_t CdReader::GetCDHandle(const uint8_t* request) const {
    return static_cast<uint8_t>(guardedCall([&] { return cdHandle_(request); }));
}
uint32_t CdReader::ModifyCDParms(uint8_t handle, int32_t which, uint32_t value) const {
    return guardedCall([&] { return modify_(handle, which, value); });
}
uint32_t CdReader::ReadTOC(uint8_t handle, uint8_t* toc) const {
    return guardedCall([&] { return readToc_(handle, toc); });
}
uint32_t CdReader::ReadCDAudioLBA(uint8_t handle, uint8_t* buffer) const {
    return guardedCall([&] { return readAudio_(handle, buffer); });
}
uint32_t CdReader::CloseCDHandle(uint8_t handle) const {
    return guardedCall([&] { return closeHandle_(handle); });
}
int32_t CdReader::GetAspiLibError() const { return guardedCall([&] { return lastError_(); }); }
uint32_t CdReader::AddCDImage(const std::string& path) const {
    return addImage_ ? guardedCall([&] { return addImage_(path.c_str()); }) : 0;
}
std::string CdReader::GetCDText(uint8_t handle, uint32_t track, uint32_t field) const {
    if (!cdText_) return {};
    char text[256];
    const uint32_t n = guardedCall([&] { return cdText_(handle, track, field, text, sizeof text); });
    return n ? std::string(text, std::min<size_t>(n, sizeof text - 1)) : std::string();
}
std::string CdReader::GetCDImageError(uint32_t index) const {
    if (!imageError_) return {};
    char text[1024];
    const uint32_t n = guardedCall([&] { return imageError_(index, text, sizeof text); });
    return n ? std::string(text, std::min<size_t>(n, sizeof text - 1)) : std::string();
}

}  // namespace nalo

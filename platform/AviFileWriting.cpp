// The writing calls of the AVI layer, over AviMuxer.
#include <cstring>

#include "platform/AviDemux.h"
#include "platform/AviFile.h"
#include "platform/AviMuxer.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {
AviMuxer* muxerOf(const PAVISTREAM& stream) { return stream && stream->file ? stream->file->muxer.get() : nullptr; }

// A write through the plain stream stores full frames.
AviResult ensureCompression(AviMuxer& muxer, const PAVISTREAM& stream) {
    if (stream->compressed) return AVIERR_OK;
    AVICOMPRESSOPTIONS full;
    full.fccType = streamtypeVIDEO;
    full.fccHandler = comptypeDIB;
    AviResult r = muxer.setCompression(full);
    return r == AVIERR_UNSUPPORTED ? AVIERR_OK : r;  // already set
}
}  // namespace

uint32_t mmioStringToFOURCCA(const char* text, uint32_t) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; i < 4 && text && text[i]; ++i) c[i] = text[i];
    return mmioFOURCC(c[0], c[1], c[2], c[3]);
}

AviResult openAviForWriting(PAVIFILE& file, const std::string& path, uint32_t mode) {
    if ((mode & (OF_WRITE | OF_CREATE)) != (OF_WRITE | OF_CREATE)) return AVIERR_UNSUPPORTED;
    auto f = std::make_shared<AviFile>();
    f->path = path;
    try {
        f->muxer = std::make_shared<AviMuxer>(path);
    } catch (const RuntimeError& e) {
        return e.number() == err::OutOfMemory ? AVIERR_MEMORY : AVIERR_FILEOPEN;
    }
    file = std::move(f);
    return AVIERR_OK;
}

AviResult AVIFileCreateStreamA(const PAVIFILE& file, PAVISTREAM& stream, const AVISTREAMINFOA* info) {
    stream.reset();
    if (!file || !file->muxer) return AVIERR_BADHANDLE;
    if (!info) return AVIERR_BADPARAM;
    if (AviResult r = file->muxer->createStream(*info); r != AVIERR_OK) return r;
    auto s = std::make_shared<AviStream>();
    s->file = file;
    s->width = info->rcFrame.right - info->rcFrame.left;
    s->height = info->rcFrame.bottom - info->rcFrame.top;
    s->scale = info->dwScale;
    s->rate = info->dwRate;
    stream = std::move(s);
    return AVIERR_OK;
}

int32_t AVISaveOptions(const CompressorChooser& choose, uint32_t flags, int32_t streams, const PAVISTREAM* stream,
                       AVICOMPRESSOPTIONS** options) {
    if (streams < 1 || !stream || !options || !options[0] || !choose) return 0;
    AVICOMPRESSOPTIONS chosen;
    chosen.fccType = streamtypeVIDEO;
    chosen.fccHandler = comptypeDIB;
    chosen.dwQuality = 7500;
    const AviMuxer* muxer = muxerOf(stream[0]);
    const std::vector<AviCompressor> list = AviCompressors(muxer ? muxer->container() : VideoContainer::Avi);
    if (!list.empty()) chosen.fccHandler = list.front().fccHandler;
    if (!choose(list, flags, chosen)) return 0;
    chosen.dwFlags |= AVICOMPRESSF_VALID;
    *options[0] = chosen;
    return 1;
}

AviResult AVISaveOptionsFree(int32_t streams, AVICOMPRESSOPTIONS** options) {
    for (int32_t i = 0; options && i < streams; ++i)
        if (options[i]) {
            options[i]->lpFormat = options[i]->lpParms = nullptr;
            options[i]->cbFormat = options[i]->cbParms = 0;
        }
    return AVIERR_OK;
}

AviResult AVIMakeCompressedStream(PAVISTREAM& compressed, const PAVISTREAM& source, const AVICOMPRESSOPTIONS* options,
                                  const void*) {
    compressed.reset();
    AviMuxer* muxer = muxerOf(source);
    if (!muxer) return AVIERR_BADHANDLE;
    if (!options) return AVIERR_BADPARAM;
    if (AviResult r = muxer->setCompression(*options); r != AVIERR_OK) return r;
    auto s = std::make_shared<AviStream>(*source);
    s->compressed = true;
    s->handler = options->fccHandler;
    compressed = std::move(s);
    return AVIERR_OK;
}

AviResult AVIStreamSetFormat(const PAVISTREAM& stream, int32_t, const void* format, int32_t size) {
    AviMuxer* muxer = muxerOf(stream);
    if (!muxer) return AVIERR_BADHANDLE;
    if (!format || size < int32_t(sizeof(BITMAPINFOHEADER))) return AVIERR_BADFORMAT;
    if (AviResult r = ensureCompression(*muxer, stream); r != AVIERR_OK) return r;
    BITMAPINFOHEADER header;
    std::memcpy(&header, format, sizeof header);
    return muxer->setFormat(header);
}

bool AVIStreamStoredSize(const PAVISTREAM& stream, int32_t& width, int32_t& height) {
    const AviMuxer* muxer = muxerOf(stream);
    return muxer && muxer->storedSize(width, height);
}

AviResult AVIStreamWrite(const PAVISTREAM& stream, int32_t start, int32_t samples, const void* buffer, int32_t size,
                         uint32_t, int32_t* samplesWritten, int32_t* bytesWritten) {
    if (samplesWritten) *samplesWritten = 0;
    if (bytesWritten) *bytesWritten = 0;
    AviMuxer* muxer = muxerOf(stream);
    if (!muxer) return AVIERR_BADHANDLE;
    if (samples != 1 || start < 0) return AVIERR_BADPARAM;
    AviResult r = muxer->write(start, buffer, size);
    if (r == AVIERR_OK) {
        if (samplesWritten) *samplesWritten = 1;
        if (bytesWritten) *bytesWritten = size;
    }
    return r;
}

AviResult AVIFileCommit(const PAVIFILE& file) {
    if (!file || !file->muxer) return AVIERR_BADHANDLE;
    return file->muxer->commit();
}

std::string AVIFileWriteError(const PAVIFILE& file) {
    return file && file->muxer ? file->muxer->error() : std::string();
}

}  // namespace nalo

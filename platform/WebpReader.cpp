// WebP decoding with libwebp; animations through libwebpdemux's frame composer.
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "platform/PictureBudget.h"
#include "platform/PictureDecoders.h"
#include "platform/PictureOrientation.h"

namespace nalo {

namespace {

const char* statusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported WebP feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "truncated data";
    default: return "invalid WebP data";
    }
}

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// The first frame of an animation, composed on its canvas (clear where no frame
// covers).
DecodedPicture decodeAnimation(std::span<const uint8_t> data, const std::string& name, const std::string& source) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) raiseInvalidPicture(source, name, "WebP library mismatch");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData whole{data.data(), data.size()};
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> anim(WebPAnimDecoderNew(&whole, &options));
    if (!anim) raiseInvalidPicture(source, name, "invalid WebP animation");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(anim.get(), &info) || info.frame_count == 0)
        raiseInvalidPicture(source, name, "no picture in the file");
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(anim.get(), &frame, &timestamp))
        raiseInvalidPicture(source, name, "invalid WebP frame");
    DecodedPicture out;
    out.picture = Dib(static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height), 24, false);
    splitBgra(frame, size_t(info.canvas_width) * 4, out);
    return out;
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// The orientation in the file's EXIF chunk, 1 without one.
int webpOrientation(std::span<const uint8_t> data) {
    const WebPData whole{data.data(), data.size()};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&whole));
    if (!demux || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG)) return 1;
    WebPChunkIterator chunk;
    int orientation = 1;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        orientation = exifOrientation({chunk.chunk.bytes, chunk.chunk.size});
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return orientation;
}

}  // namespace

DecodedPicture decodeWebp(std::span<const uint8_t> data, const std::string& name) {
    static const std::string source = "LoadPicture";
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) raiseInvalidPicture(source, name, "WebP library mismatch");
    const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &config.input);
    if (status != VP8_STATUS_OK) raiseInvalidPicture(source, name, statusText(status));
    const int64_t w = config.input.width, h = config.input.height;
    if (w <= 0 || h <= 0) raiseInvalidPicture(source, name, "empty picture");
    CheckPictureBudget(w, h, name, source);
    if (config.input.has_animation) {
        DecodedPicture first = decodeAnimation(data, name, source);
        first.orientation = webpOrientation(data);
        return first;
    }

    DecodedPicture out;
    out.picture = Dib(static_cast<int>(w), static_cast<int>(h), 24, false);
    std::unique_ptr<uint8_t[]> staging;
    WebPRGBABuffer& buffer = config.output.u.RGBA;
    config.output.is_external_memory = 1;
    if (config.input.has_alpha) {
        staging.reset(new uint8_t[static_cast<size_t>(w * h * 4)]);
        config.output.colorspace = MODE_BGRA;
        buffer.rgba = staging.get();
        buffer.stride = static_cast<int>(w * 4);
        buffer.size = static_cast<size_t>(w * h * 4);
    } else {
        // Straight into the bottom-up rows: the decoder writes them flipped.
        config.output.colorspace = MODE_BGR;
        config.options.flip = 1;
        buffer.rgba = out.picture.bits();
        buffer.stride = out.picture.stride();
        buffer.size = out.picture.imageSize();
    }
    const VP8StatusCode decoded = WebPDecode(data.data(), data.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (decoded != VP8_STATUS_OK) raiseInvalidPicture(source, name, statusText(decoded));
    if (staging) splitBgra(staging.get(), static_cast<size_t>(w * 4), out);
    out.orientation = webpOrientation(data);
    return out;
}

}  // namespace nalo

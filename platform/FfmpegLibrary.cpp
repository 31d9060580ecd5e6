#include "platform/FfmpegLibrary.h"

#include "platform/AviFile.h"
#include "platform/ComponentLibrary.h"

namespace nalo {

namespace {
#define NALO_STR2(x) #x
#define NALO_STR(x) NALO_STR2(x)

// The libraries stay loaded for the life of the program.
struct LoadedFfmpeg {
    ComponentLibrary avutil{"libavutil.so." NALO_STR(LIBAVUTIL_VERSION_MAJOR)};
    ComponentLibrary swscale{"libswscale.so." NALO_STR(LIBSWSCALE_VERSION_MAJOR)};
    ComponentLibrary avcodec{"libavcodec.so." NALO_STR(LIBAVCODEC_VERSION_MAJOR)};
    ComponentLibrary avformat{"libavformat.so." NALO_STR(LIBAVFORMAT_VERSION_MAJOR)};
    FfmpegApi api;

    LoadedFfmpeg() {
#define NALO_FFMPEG_TAKE(name) api.name = library.function<decltype(&::name)>(#name);
        {
            const ComponentLibrary& library = avutil;
            NALO_FFMPEG_AVUTIL(NALO_FFMPEG_TAKE)
        }
        {
            const ComponentLibrary& library = avcodec;
            NALO_FFMPEG_AVCODEC(NALO_FFMPEG_TAKE)
        }
        {
            const ComponentLibrary& library = avformat;
            NALO_FFMPEG_AVFORMAT(NALO_FFMPEG_TAKE)
        }
        {
            const ComponentLibrary& library = swscale;
            NALO_FFMPEG_SWSCALE(NALO_FFMPEG_TAKE)
        }
#undef NALO_FFMPEG_TAKE
        // No single allocation beyond the largest frame the layer decodes: a hostile
        // size field then fails the open instead of taking gigabytes.
        api.av_max_alloc(FfmpegMaxAlloc);
    }
};
}  // namespace

const FfmpegApi& ffmpeg() {
    // A failed load raises and is tried again at the next call. Never unloaded: the
    // libraries' own state must stay mapped until the process ends.
    static const LoadedFfmpeg* const loaded = new LoadedFfmpeg();
    return loaded->api;
}

}  // namespace nalo

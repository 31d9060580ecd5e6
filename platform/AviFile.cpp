#include "platform/AviFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/AviDemux.h"

#include "platform/AviMuxer.h"
#include "platform/FfmpegLibrary.h"
#include "platform/FileBytes.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo {

void FormatCloser::operator()(AVFormatContext* ctx) const { ffmpeg().avformat_close_input(&ctx); }

FormatPtr openAviDemuxer(const std::string& path) { return openDemuxer(path, "avi"); }

// Containers and elementary streams a video is read from: none that opens further
// files or addresses (playlists, concatenation, picture sequences).
static constexpr const char* VideoDemuxers =
    "avi,mov,mp4,m4a,3gp,3g2,mj2,matroska,webm,mpegts,mpeg,mpegvideo,asf,flv,ogg,h264,hevc,m4v,ivf,obu,nut,mxf,dv,"
    "rm,yuv4mpegpipe,vc1,cavsvideo,h261,h263,mp3";

FormatPtr openDemuxer(const std::string& path, const char* container) {
    const AVInputFormat* format = nullptr;
    if (container && !(format = ffmpeg().av_find_input_format(container))) return nullptr;
    return openDemuxer(path, format);
}

FormatPtr openDemuxer(const std::string& path, const AVInputFormat* format) {
    // FFmpeg opens the file itself and would wait on a FIFO: only regular files go in.
    try {
        requireRegularFile(path, "AVIFile");
    } catch (const RuntimeError&) {
        return nullptr;
    }
    const FfmpegApi& ff = ffmpeg();
    // A hostile header must not make the demuxer read or allocate without bound.
    AVDictionary* options = nullptr;
    ff.av_dict_set(&options, "probesize", "1048576", 0);
    ff.av_dict_set(&options, "analyzeduration", "1000000", 0);
    ff.av_dict_set(&options, "max_index_size", "16777216", 0);
    ff.av_dict_set(&options, "protocol_whitelist", "file", 0);
    ff.av_dict_set(&options, "format_whitelist", VideoDemuxers, 0);
    AVFormatContext* ctx = nullptr;
    const int r = ff.avformat_open_input(&ctx, path.c_str(), format, &options);
    ff.av_dict_free(&options);
    if (r < 0) return nullptr;
    FormatPtr opened(ctx);
    // Stream headers of an AVI carry the formats; other containers are probed for them.
    if (std::string_view(ctx->iformat->name) != "avi" && ff.avformat_find_stream_info(ctx, nullptr) < 0) return nullptr;
    return opened;
}

bool FitsAviFrame(int64_t width, int64_t height) {
    return width <= MaxAviFrameSide && height <= MaxAviFrameSide && width * height <= MaxAviFramePixels &&
           FitsPictureBudget(width, height);
}

// The largest packet the index lists; without an index, as if it were unbounded.
static int64_t largestPacket(AVStream* st) {
    const int entries = ffmpeg().avformat_index_get_entries_count(st);
    if (entries <= 0) return INT64_MAX / AviMaxPixelsPerByte;
    int64_t largest = 0;
    for (int i = 0; i < entries; ++i) largest = std::max<int64_t>(largest, ffmpeg().avformat_index_get_entry(st, i)->size);
    return largest;
}

int findVideoStream(AVFormatContext* ctx, int n) {
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC) &&
            n-- == 0)
            return int(i);
    }
    return -1;
}

// sample x scale / rate seconds in milliseconds, rounded half away from zero; wide
// enough for any 32-bit sample and 32-bit scale and rate.
static __int128 endMilliseconds(int64_t sample, int64_t scale, int64_t rate) {
    const __int128 num = __int128(sample) * scale * 1000;
    const __int128 half = rate / 2;
    return num >= 0 ? (num + half) / rate : -((-num + half) / rate);
}

// Clockwise quarter turns (0..3) that show the stream as players do: its display
// matrix, else a "rotate" tag in degrees clockwise.
static int quarterTurns(AVStream* st) {
    const FfmpegApi& ff = ffmpeg();
    double clockwise = 0;
    if (const uint8_t* matrix = ff.av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr))
        clockwise = -ff.av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    else if (const AVDictionaryEntry* tag = ff.av_dict_get(st->metadata, "rotate", nullptr, 0))
        clockwise = std::strtod(tag->value, nullptr);
    if (!std::isfinite(clockwise)) return 0;
    return int(((std::lround(clockwise / 90) % 4) + 4) % 4);
}

// The timeline of stream `index`, scanned on first use from a demuxer of its own.
static std::shared_ptr<const VideoTimeline> timelineOf(AviFile& file, int index) {
    for (const auto& [i, timeline] : file.timelines)
        if (i == index) return timeline;
    FormatPtr scanning = openDemuxer(file.path, file.format->iformat);
    if (!scanning || index >= int(scanning->nb_streams)) return nullptr;
    for (unsigned i = 0; i < scanning->nb_streams; ++i)
        if (int(i) != index) scanning->streams[i]->discard = AVDISCARD_ALL;
    auto timeline = std::make_shared<VideoTimeline>();
    if (!timeline->scan(scanning.get(), index)) return nullptr;
    file.timelines.emplace_back(index, timeline);
    return timeline;
}

void AVIFileInit() {
    if (!std::getenv("NALO_AVI_LOG")) ffmpeg().av_log_set_level(AV_LOG_QUIET);
}

void AVIFileExit() {}

AviResult AVIFileOpen(PAVIFILE& file, const std::string& path, uint32_t mode, const void*) {
    file.reset();
    if (mode & (OF_WRITE | OF_CREATE)) return openAviForWriting(file, path, mode);
    // An AVI goes through its index; any other video through its timeline.
    FormatPtr format = openAviDemuxer(path);
    const bool avi = format != nullptr;
    if (!avi) format = openDemuxer(path, static_cast<const char*>(nullptr));
    if (!format || (!avi && findVideoStream(format.get(), 0) < 0)) return AVIERR_FILEOPEN;
    auto f = std::make_shared<AviFile>();
    f->path = path;
    f->format = std::move(format);
    f->avi = avi;
    file = std::move(f);
    return AVIERR_OK;
}

AviResult AVIFileGetStream(const PAVIFILE& file, PAVISTREAM& stream, uint32_t type, int32_t index) {
    stream.reset();
    if (!file) return AVIERR_BADHANDLE;
    if (type != streamtypeVIDEO || index < 0 || !file->format) return AVIERR_NODATA;
    AVFormatContext* ctx = file->format.get();
    int si = findVideoStream(ctx, index);
    if (si < 0) return AVIERR_NODATA;
    AVStream* st = ctx->streams[si];
    const AVCodecParameters* par = st->codecpar;
    int w = par->width, h = std::abs(par->height);
    if (w <= 0 || h <= 0 || !FitsAviFrame(w, h)) return AVIERR_BADFORMAT;
    if (st->time_base.num <= 0 || st->time_base.den <= 0) return AVIERR_BADFORMAT;

    auto s = std::make_shared<AviStream>();
    s->file = file;
    s->index = si;
    s->width = w;
    s->height = h;
    s->handler = par->codec_tag;
    int64_t length = 0, largest = 0;
    if (file->avi) {
        s->scale = st->time_base.num;
        s->rate = st->time_base.den;
        // Packet times count samples from the header's dwStart; the index holds them.
        int entries = ffmpeg().avformat_index_get_entries_count(st);
        if (entries > 0)
            s->start = int32_t(std::clamp<int64_t>(ffmpeg().avformat_index_get_entry(st, 0)->timestamp, 0, INT32_MAX));
        largest = largestPacket(st);
        length = st->nb_frames > 0 ? st->nb_frames : entries;
    } else {
        // A portrait phone video is stored on its side: frames come out upright.
        s->rotation = quarterTurns(st);
        if (s->rotation % 2) std::swap(s->width, s->height);
        s->timeline = timelineOf(*file, si);
        if (!s->timeline) return AVIERR_BADFORMAT;
        s->scale = s->timeline->scale();
        s->rate = s->timeline->rate();
        largest = s->timeline->largestPacket();
        length = s->timeline->length();
    }
    if (int64_t(w) * h > largest * AviMaxPixelsPerByte) return AVIERR_BADFORMAT;
    // A frame count or an end time that does not fit 32 bits is a damaged header.
    if (length > INT32_MAX - int64_t(s->start) || endMilliseconds(s->start + length, s->scale, s->rate) > INT32_MAX)
        return AVIERR_BADFORMAT;
    s->length = int32_t(length);
    stream = std::move(s);
    return AVIERR_OK;
}

AviResult AVIStreamOpenFromFileA(PAVISTREAM& stream, const std::string& path, uint32_t type, int32_t index,
                                 uint32_t mode, const void* handler) {
    PAVIFILE file;
    AviResult r = AVIFileOpen(file, path, mode, handler);
    if (r != AVIERR_OK) {
        stream.reset();
        return r;
    }
    return AVIFileGetStream(file, stream, type, index);
}

int32_t AVIStreamStart(const PAVISTREAM& stream) { return stream ? stream->start : -1; }
int32_t AVIStreamLength(const PAVISTREAM& stream) { return stream ? stream->length : -1; }

static void copyRecord(void* dst, const void* src, int32_t size, size_t full) {
    if (dst && size > 0) std::memcpy(dst, src, std::min<size_t>(size_t(size), full));
}

AviResult AVIFileInfo(const PAVIFILE& file, AVIFILEINFO* info, int32_t size) {
    if (!file || !file->format) return AVIERR_BADHANDLE;
    AVIFILEINFO rec;
    AVFormatContext* ctx = file->format.get();
    rec.dwStreams = ctx->nb_streams;
    PAVISTREAM video;
    if (AVIFileGetStream(file, video, streamtypeVIDEO, 0) == AVIERR_OK) {
        rec.dwWidth = uint32_t(video->width);
        rec.dwHeight = uint32_t(video->height);
        rec.dwScale = uint32_t(video->scale);
        rec.dwRate = uint32_t(video->rate);
        rec.dwLength = uint32_t(video->length);
    }
    std::strcpy(rec.szFileType, "AVI");
    copyRecord(info, &rec, size, sizeof rec);
    return AVIERR_OK;
}

AviResult AVIStreamInfoA(const PAVISTREAM& stream, AVISTREAMINFOA* info, int32_t size) {
    if (!stream) return AVIERR_BADHANDLE;
    AVISTREAMINFOA rec;
    if (const AviMuxer* muxer = stream->file->muxer.get()) {
        rec = muxer->info();
        rec.dwLength = uint32_t(muxer->framesWritten());
        copyRecord(info, &rec, size, sizeof rec);
        return AVIERR_OK;
    }
    rec.fccType = streamtypeVIDEO;
    rec.fccHandler = stream->handler;
    rec.dwScale = uint32_t(stream->scale);
    rec.dwRate = uint32_t(stream->rate);
    rec.dwStart = uint32_t(stream->start);
    rec.dwLength = uint32_t(stream->length);
    rec.dwSuggestedBufferSize = uint32_t(int64_t(stream->width) * stream->height * 4);
    rec.dwQuality = 0xFFFFFFFFu;
    rec.rcFrame = {0, 0, stream->width, stream->height};
    copyRecord(info, &rec, size, sizeof rec);
    return AVIERR_OK;
}

int32_t AVIStreamSampleToTime(const PAVISTREAM& stream, int32_t sample) {
    if (!stream) return -1;
    return int32_t(std::clamp<__int128>(endMilliseconds(sample, stream->scale, stream->rate), INT32_MIN, INT32_MAX));
}

int32_t AVIStreamRelease(PAVISTREAM& stream) {
    stream.reset();
    return 0;
}

int32_t AVIFileRelease(PAVIFILE& file) {
    file.reset();
    return 0;
}

}  // namespace nalo

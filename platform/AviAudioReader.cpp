#include "platform/AviAudioReader.h"

#include <algorithm>
#include <cmath>

#include "platform/AviDemux.h"
#include "platform/FfmpegLibrary.h"

namespace nalo {

namespace {

int16_t fromFloat(double v) { return int16_t(std::lrint(std::clamp(v, -1.0, 1.0) * 32767.0)); }

// Sample s of channel c of a decoded frame, in 16 bits.
int16_t sampleOf(const AVFrame* f, int c, int s, int channels) {
    const auto fmt = AVSampleFormat(f->format);
    const bool planar = fmt >= AV_SAMPLE_FMT_U8P;
    const uint8_t* base = planar ? f->data[c] : f->data[0];
    const int i = planar ? s : s * channels + c;
    switch (planar ? AVSampleFormat(fmt - AV_SAMPLE_FMT_U8P) : fmt) {
    case AV_SAMPLE_FMT_U8: return int16_t((base[i] - 128) << 8);
    case AV_SAMPLE_FMT_S16: return reinterpret_cast<const int16_t*>(base)[i];
    case AV_SAMPLE_FMT_S32: return int16_t(reinterpret_cast<const int32_t*>(base)[i] >> 16);
    case AV_SAMPLE_FMT_FLT: return fromFloat(reinterpret_cast<const float*>(base)[i]);
    case AV_SAMPLE_FMT_DBL: return fromFloat(reinterpret_cast<const double*>(base)[i]);
    default: return 0;
    }
}

}  // namespace

struct AviAudioReader::State {
    FormatPtr format;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int stream = -1;
    bool draining = false;
    ~State() {
        ffmpeg().av_packet_free(&packet);
        ffmpeg().av_frame_free(&frame);
        ffmpeg().avcodec_free_context(&codec);
    }
};

AviAudioReader::AviAudioReader(const std::string& path, const char* container) {
    const FfmpegApi& av = ffmpeg();
    auto st = std::make_unique<State>();
    st->format = openDemuxer(path, container);
    if (!st->format) return;
    AVFormatContext* ctx = st->format.get();
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (st->stream < 0 && ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) st->stream = int(i);
        else ctx->streams[i]->discard = AVDISCARD_ALL;
    }
    if (st->stream < 0) return;
    const AVCodecParameters* par = ctx->streams[st->stream]->codecpar;
    const AVCodec* dec = av.avcodec_find_decoder(par->codec_id);
    if (!dec || !(st->codec = av.avcodec_alloc_context3(dec)) || av.avcodec_parameters_to_context(st->codec, par) < 0 ||
        av.avcodec_open2(st->codec, dec, nullptr) < 0)
        return;
    st->frame = av.av_frame_alloc();
    st->packet = av.av_packet_alloc();
    if (!st->frame || !st->packet || st->codec->sample_rate <= 0 || st->codec->ch_layout.nb_channels <= 0) return;
    format_.sampleRate = st->codec->sample_rate;
    format_.channels = std::min(2, st->codec->ch_layout.nb_channels);
    state_ = std::move(st);
}

AviAudioReader::~AviAudioReader() = default;

const std::vector<int16_t>& AviAudioReader::next() {
    samples_.clear();
    if (!state_) return samples_;
    const FfmpegApi& av = ffmpeg();
    State& st = *state_;
    for (;;) {
        int r = av.avcodec_receive_frame(st.codec, st.frame);
        if (r == 0) {
            const int channels = std::max(1, st.frame->ch_layout.nb_channels), out = format_.channels;
            samples_.resize(size_t(st.frame->nb_samples) * out);
            for (int s = 0; s < st.frame->nb_samples; ++s)
                for (int c = 0; c < out; ++c) samples_[size_t(s) * out + c] = sampleOf(st.frame, std::min(c, channels - 1), s, channels);
            av.av_frame_unref(st.frame);
            if (!samples_.empty()) return samples_;
            continue;
        }
        if (r != AVERROR(EAGAIN) || st.draining) return samples_;
        // The decoder wants input; corrupt packets are skipped.
        for (;;) {
            if (av.av_read_frame(st.format.get(), st.packet) < 0) {
                av.avcodec_send_packet(st.codec, nullptr);
                st.draining = true;
                break;
            }
            const bool ours = st.packet->stream_index == st.stream;
            const int sent = ours ? av.avcodec_send_packet(st.codec, st.packet) : 0;
            av.av_packet_unref(st.packet);
            if (ours && sent != AVERROR(EAGAIN)) break;
        }
    }
}

}  // namespace nalo

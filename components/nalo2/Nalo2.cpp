// Nalo2.dll: the MP3 encoder calls over libmp3lame. Every value passed is 32 bits
// wide; a stream handle is a 32-bit number naming a slot and its generation.
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <span>

#include <lame/lame.h>

#include "components/Export.h"

namespace {

enum : uint32_t {
    Ok = 0,
    InvalidFormat = 1,
    InvalidFormatParameters = 2,
    NoMoreHandles = 3,
    InvalidHandle = 4,
    BufferTooSmall = 5,
};

constexpr uint32_t ConfigLame = 256;
constexpr uint32_t ConfigSize = 331;
constexpr int SamplesPerFrame = 1152;  // per channel, MPEG-1 layer III
constexpr int SlotBits = 4;
constexpr int SlotCount = 1 << SlotBits;

// The configuration record: little-endian 32-bit fields at fixed offsets.
struct Config {
    explicit Config(const uint8_t* p) : p_(p) {}
    int32_t at(size_t offset) const {
        int32_t v;
        std::memcpy(&v, p_ + offset, 4);
        return v;
    }
    uint32_t kind() const { return static_cast<uint32_t>(at(0)); }
    uint32_t version() const { return static_cast<uint32_t>(at(4)); }
    uint32_t size() const { return static_cast<uint32_t>(at(8)); }
    int32_t sampleRate() const { return at(12); }
    int32_t outRate() const { return at(16); }
    int32_t mode() const { return at(20); }
    int32_t bitRate() const { return at(24); }
    int32_t maxBitRate() const { return at(28); }
    int32_t preset() const { return at(32); }
    int32_t mpegVersion() const { return at(36); }
    int32_t emphasis() const { return at(44); }
    bool privateFlag() const { return at(48) != 0; }
    bool crc() const { return at(52) != 0; }
    bool copyright() const { return at(56) != 0; }
    bool original() const { return at(60) != 0; }
    bool enableVbr() const { return at(68) != 0; }
    int32_t vbrQuality() const { return at(72); }
    int32_t abrBitRate() const { return at(76); }
    int32_t vbrMethod() const { return at(80); }

private:
    const uint8_t* p_;
};

struct Stream {
    lame_global_flags* lame = nullptr;
    uint32_t handle = 0;
    int channels = 2;
    int bufferSize = 0;
};

std::array<Stream, SlotCount> streams;
uint32_t nextSerial = 1;

Stream* find(uint32_t handle) {
    if (handle == 0) return nullptr;
    Stream& s = streams[handle & (SlotCount - 1)];
    return s.lame && s.handle == handle ? &s : nullptr;
}

bool validBitRate(int kbps, bool mpeg1) {
    static constexpr int mpeg1Rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr int mpeg2Rates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    for (int r : mpeg1 ? std::span<const int>(mpeg1Rates) : std::span<const int>(mpeg2Rates))
        if (r == kbps) return true;
    return false;
}

void quiet(const char*, va_list) {}

uint32_t configure(lame_global_flags* gf, const Config& c, int& channels) {
    static constexpr MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
    if (c.mode() < 0 || c.mode() > 3) return InvalidFormatParameters;
    if (c.preset() < -1 || c.preset() > 2) return InvalidFormatParameters;
    if (c.mpegVersion() != 0 && c.mpegVersion() != 1) return InvalidFormatParameters;
    const bool mpeg1 = c.mpegVersion() == 1;
    if (c.sampleRate() <= 0) return InvalidFormatParameters;
    channels = c.mode() == 3 ? 1 : 2;

    lame_set_errorf(gf, quiet);
    lame_set_debugf(gf, quiet);
    lame_set_msgf(gf, quiet);
    lame_set_in_samplerate(gf, c.sampleRate());
    lame_set_num_channels(gf, channels);
    int outRate = c.outRate();
    // MPEG-1 keeps the input rate: left to itself LAME drops to 24 kHz MPEG-2 at low bit rates.
    if (outRate == 0) outRate = mpeg1 ? c.sampleRate() : (c.sampleRate() > 24000 ? c.sampleRate() / 2 : 0);
    if (outRate != 0) lame_set_out_samplerate(gf, outRate);
    lame_set_mode(gf, modes[c.mode()]);
    // Presets: 0 normal, 1 low (fast), 2 high; -1 leaves LAME's default.
    static constexpr int qualities[] = {5, 7, 2};
    if (c.preset() >= 0) lame_set_quality(gf, qualities[c.preset()]);
    lame_set_emphasis(gf, c.emphasis() & 3);
    lame_set_extension(gf, c.privateFlag());
    lame_set_error_protection(gf, c.crc());
    lame_set_copyright(gf, c.copyright());
    lame_set_original(gf, c.original());
    // The caller writes the stream as it comes; no Xing frame is reserved at the start.
    lame_set_bWriteVbrTag(gf, 0);

    if (c.enableVbr()) {
        switch (c.vbrMethod()) {
        case 1: lame_set_VBR(gf, vbr_rh); break;
        case 4:
            lame_set_VBR(gf, vbr_abr);
            // The average rate is given in bit/s (values below 1000 are taken as kbit/s).
            if (c.abrBitRate() > 0)
                lame_set_VBR_mean_bitrate_kbps(gf, c.abrBitRate() >= 1000 ? c.abrBitRate() / 1000 : c.abrBitRate());
            break;
        default: lame_set_VBR(gf, vbr_mtrh); break;
        }
        if (c.vbrQuality() >= 0 && c.vbrQuality() <= 9) lame_set_VBR_q(gf, c.vbrQuality());
        if (c.bitRate() > 0) lame_set_VBR_min_bitrate_kbps(gf, c.bitRate());
        if (c.maxBitRate() > 0) lame_set_VBR_max_bitrate_kbps(gf, c.maxBitRate());
    } else {
        if (!validBitRate(c.bitRate(), mpeg1)) return InvalidFormatParameters;
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, c.bitRate());
    }
    return lame_init_params(gf) < 0 ? InvalidFormatParameters : Ok;
}

}  // namespace

// Opens an encoder stream. `samples` receives the number of 16-bit samples (all
// channels) one beEncodeChunk call takes at most; `bufferSize` the output buffer
// size the caller allocates; `stream` the handle.
NALO_EXPORT uint32_t beInitStream(const uint8_t* config, uint32_t* samples, uint32_t* bufferSize, uint32_t* stream) {
    if (!config || !samples || !bufferSize || !stream) return InvalidFormatParameters;
    Config c(config);
    if (c.kind() != ConfigLame) return InvalidFormat;
    if (c.size() != ConfigSize || c.version() < 1) return InvalidFormatParameters;

    Stream* free = nullptr;
    for (Stream& s : streams)
        if (!s.lame) {
            free = &s;
            break;
        }
    if (!free) return NoMoreHandles;
    lame_global_flags* gf = lame_init();
    if (!gf) return NoMoreHandles;
    int channels = 2;
    if (uint32_t rc = configure(gf, c, channels); rc != Ok) {
        lame_close(gf);
        return rc;
    }
    const auto slot = static_cast<uint32_t>(free - streams.data());
    free->lame = gf;
    free->channels = channels;
    free->bufferSize = SamplesPerFrame * 5 / 4 + 7200;
    free->handle = (nextSerial++ << SlotBits) | slot;
    if (free->handle == 0) free->handle = (nextSerial++ << SlotBits) | slot;
    *samples = static_cast<uint32_t>(SamplesPerFrame * channels);
    *bufferSize = static_cast<uint32_t>(free->bufferSize);
    *stream = free->handle;
    return Ok;
}

// Encodes `count` interleaved 16-bit samples; `outputLength` receives the bytes written.
NALO_EXPORT uint32_t beEncodeChunk(uint32_t stream, uint32_t count, const int16_t* pcm, uint8_t* output,
                                   uint32_t* outputLength) {
    Stream* s = find(stream);
    if (!s) return InvalidHandle;
    if (!outputLength || !output || (count > 0 && !pcm)) return InvalidFormatParameters;
    *outputLength = 0;
    if (count % static_cast<uint32_t>(s->channels) != 0) return InvalidFormatParameters;
    const int perChannel = static_cast<int>(count / static_cast<uint32_t>(s->channels));
    if (perChannel > SamplesPerFrame) return BufferTooSmall;
    if (perChannel == 0) return Ok;
    int n = s->channels == 2
                ? lame_encode_buffer_interleaved(s->lame, const_cast<short*>(pcm), perChannel, output, s->bufferSize)
                : lame_encode_buffer(s->lame, pcm, nullptr, perChannel, output, s->bufferSize);
    if (n < 0) return n == -1 ? BufferTooSmall : InvalidFormatParameters;
    *outputLength = static_cast<uint32_t>(n);
    return Ok;
}

// Flushes the encoder: the final frames go to `output`.
NALO_EXPORT uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* outputLength) {
    Stream* s = find(stream);
    if (!s) return InvalidHandle;
    if (!output || !outputLength) return InvalidFormatParameters;
    *outputLength = 0;
    int n = lame_encode_flush(s->lame, output, s->bufferSize);
    if (n < 0) return n == -1 ? BufferTooSmall : InvalidFormatParameters;
    *outputLength = static_cast<uint32_t>(n);
    return Ok;
}

NALO_EXPORT uint32_t beCloseStream(uint32_t stream) {
    Stream* s = find(stream);
    if (!s) return InvalidHandle;
    lame_close(s->lame);
    *s = Stream{};
    return Ok;
}

#include "tools/cd2mp3/TrackCopy.h"

#include <algorithm>
#include <vector>
#include <zlib.h>

#include "codecs/clsFileIo.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
#include "tools/cd2mp3/TrackNames.h"

namespace nalo::cd2mp3 {

namespace {

// Encoder output buffers beyond this are refused rather than allocated.
constexpr uint32_t MaxOutputBuffer = 1u << 24;

// The progress window for the lifetime of one copy.
class ProgressShown {
public:
    explicit ProgressShown(CopyHost& host) : host_(host) { host_.ShowProgress(); }
    ~ProgressShown() { host_.UnloadProgress(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    CopyHost& host_;
};

// The block loop both copies share: reads 26 frames at a time, hands each block's
// audio to `take` (false: stop, the file failed), then stops on Cancel or reports
// progress and lets events run.
template <class Take>
void copyBlocks(const CdDrive& drive, CopyHost& host, const std::string& path, int32_t firstLBA, int32_t endLBA,
                CopyResult& result, Take&& take) {
    std::vector<uint8_t> buffer(ReadBufferSize, 0);
    const int32_t total = std::max(endLBA - firstLBA, 0);
    int32_t lba = firstLBA, left = total;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    result.outcome = CopyOutcome::Complete;
    while (left > 0) {
        const int32_t n = std::min(BlockFrames, left);
        if (!drive.ReadBlock(buffer.data(), lba, n)) {
            result.outcome = CopyOutcome::ReadFailed;
            result.reason = drive.AspiErrorText();
            host.message({result.reason, MessageIcon::None}, "");
            break;
        }
        const uint8_t* audio = buffer.data() + ReadHeaderSize;
        crc = ::crc32(crc, audio, static_cast<uInt>(n) * FrameBytes);
        if (!take(audio, n)) {
            result.outcome = CopyOutcome::Failed;
            break;
        }
        lba += n;
        left -= n;
        result.framesDone += n;
        if (CancelRequested && left > 0) {
            result.outcome = CopyOutcome::Cancelled;
            break;
        }
        host.ChangeProgress(path, static_cast<float>(total - left), static_cast<float>(total));
        host.letEventsRun();
    }
    result.crc32 = static_cast<uint32_t>(crc);
}

[[noreturn]] void raiseFileFailure(const clsFileIo& file) {
    throw RuntimeError(err::PathFileAccessError, "clsFileIo", file.error());
}

// Closes the output: a finished copy under its own name, an unfinished one that read
// something under its incomplete name, else nowhere. False when the close failed.
bool closeOutput(clsFileIo& file, const std::string& path, CopyResult& result) {
    if (result.outcome == CopyOutcome::Complete) return file.CloseFile();
    if (result.framesDone == 0 || file.failed()) {
        file.DiscardFile();
        return !file.failed();
    }
    result.kept = IncompletePath(path);
    if (file.CloseFileAs(result.kept)) return true;
    result.kept.clear();
    return false;
}

}  // namespace

CopyResult RipTrackToWav(const CdDrive& drive, CopyHost& host, const std::string& path, int32_t firstLBA,
                         int32_t endLBA) {
    CancelRequested = false;
    ProgressShown progress(host);
    CopyResult result;
    const int32_t total = std::max(endLBA - firstLBA, 0);
    const uint32_t length = static_cast<uint32_t>(std::min<int64_t>(int64_t(total) * FrameBytes, UINT32_MAX));
    clsFileIo file;
    if (file.OpenFile(path) && file.writeWavHeader(length)) {
        copyBlocks(drive, host, path, firstLBA, endLBA, result, [&](const uint8_t* audio, int32_t n) {
            return file.WriteBytes(audio, static_cast<size_t>(n) * FrameBytes) && file.FlushBuffers();
        });
        // A copy that ended early names only the frames it holds.
        if (result.outcome != CopyOutcome::Complete)
            file.patchWavHeader(static_cast<uint32_t>(result.framesDone) * FrameBytes);
        closeOutput(file, path, result);
    }
    if (file.failed()) {
        result.outcome = CopyOutcome::Failed;
        result.reason = file.error();
        host.message({result.reason, MessageIcon::Critical}, "");
    }
    return result;
}

CopyResult EncodeTrackToMp3(const CdDrive& drive, const Mp3Encoder& encoder, CopyHost& host,
                            const std::string& path, int32_t firstLBA, int32_t endLBA, const LameConfig& config,
                            std::span<const uint8_t> prefix) {
    CancelRequested = false;
    ProgressShown progress(host);
    CopyResult result;
    clsFileIo file;
    uint32_t stream = 0;
    bool streamOpen = false;
    try {
        uint32_t samples = 0, bufferSize = 0;
        if (const uint32_t r = encoder.beInitStream(config.data(), samples, bufferSize, stream))
            throw RuntimeError(static_cast<int32_t>(r), "Lame", LameErrorText(r));
        streamOpen = true;
        if (bufferSize == 0 || bufferSize > MaxOutputBuffer)
            throw RuntimeError(err::OutOfMemory, "Lame", LameErrorText(5));
        if (!file.OpenFile(path) || (!prefix.empty() && !file.WriteBytes(prefix.data(), prefix.size())))
            raiseFileFailure(file);
        std::vector<uint8_t> output(bufferSize, 0);
        auto put = [&](uint32_t length) {
            if (length > bufferSize) throw RuntimeError(err::OutOfMemory, "Lame", LameErrorText(5));
            return length == 0 || file.WriteBytes(output.data(), length);
        };
        copyBlocks(drive, host, path, firstLBA, endLBA, result, [&](const uint8_t* audio, int32_t n) {
            for (int32_t j = 0; j < n; ++j) {
                uint32_t length = 0;
                encoder.beEncodeChunk(stream, SamplesPerFrame,
                                      reinterpret_cast<const int16_t*>(audio + size_t(j) * FrameBytes),
                                      output.data(), length);
                if (!put(length)) return false;
            }
            return file.FlushBuffers();
        });
        uint32_t length = 0;
        encoder.beDeinitStream(stream, output.data(), length);
        if (length > 0 && put(length)) file.FlushBuffers();
        if (!closeOutput(file, path, result)) raiseFileFailure(file);
        streamOpen = false;
        encoder.beCloseStream(stream);
    } catch (const RuntimeError& e) {
        result.outcome = CopyOutcome::Failed;
        result.reason = e.description();
        host.message({result.reason, MessageIcon::Critical}, "Critical error...");
        if (streamOpen) {
            try {
                encoder.beCloseStream(stream);
            } catch (const RuntimeError&) {
                // The stream of a faulting encoder is abandoned.
            }
        }
    }
    return result;
}

}  // namespace nalo::cd2mp3

#pragma once
// clsFileIo: the output file of the audio-CD copies (MP3 bytes, or a WAV file made of
// the 44-byte header and the CD frames). Writes go to a new file beside the target
// (AtomicFileWriter); FlushBuffers hands each block to the file, and CloseFile flushes
// it to disk and puts it in place of the target. An object dropped without CloseFile,
// or whose write failed, leaves the target as it was.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace nalo {

class AtomicFileWriter;

inline constexpr size_t WavHeaderSize = 44;
// The largest data length whose RIFF size (length + 36) fits 32 bits signed.
inline constexpr uint32_t WavMaxLength = 2147483611u;

// The WAV header of `length` data bytes: PCM, 2 channels, 44 100 Hz, 16 bits.
// Raises error 6 (overflow) above WavMaxLength.
std::array<uint8_t, WavHeaderSize> WavHeader(uint32_t length);

class clsFileIo {
public:
    clsFileIo();
    ~clsFileIo();
    clsFileIo(const clsFileIo&) = delete;
    clsFileIo& operator=(const clsFileIo&) = delete;

    // Creates the file (empty) at position 0. False when it cannot be created.
    bool OpenFile(const std::string& FileN);
    // Puts the written file in place. True when an open, intact file was closed.
    bool CloseFile();
    // The same under another name in the target's folder (what an unfinished copy read).
    bool CloseFileAs(const std::string& FileN);
    // Drops the written file; the target stays as it was.
    void DiscardFile();
    bool WriteBytes(const void* Pointer, size_t Size);
    // The bytes written so far go to the file (the disk flush waits for CloseFile: the
    // file has no name of its own before then, so a flush per block would buy nothing).
    bool FlushBuffers();
    // The header at the current position, then a flush. True when the write succeeded.
    bool writeWavHeader(uint32_t Lenght);
    // Rewrites the header at offset 0 for `Lenght` data bytes (a copy that ended early).
    bool patchWavHeader(uint32_t Lenght);

    const std::string& fileName() const { return fileName_; }
    bool failed() const { return !error_.empty(); }
    // The first failure, naming the file ("" when none).
    const std::string& error() const { return error_; }

private:
    template <class Op>
    bool attempt(Op&& op);

    std::unique_ptr<AtomicFileWriter> file_;
    std::string fileName_;
    std::string error_;
};

}  // namespace nalo

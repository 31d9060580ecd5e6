#include "codecs/clsFileIo.h"

#include "codecs/LittleEndian.h"
#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

std::array<uint8_t, WavHeaderSize> WavHeader(uint32_t length) {
    if (length > WavMaxLength) throw RuntimeError(err::Overflow, "clsFileIo", "オーバーフローしました。");
    std::array<uint8_t, WavHeaderSize> h{};
    auto text = [&](size_t at, const char* four) {
        for (size_t i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(four[i]);
    };
    text(0, "RIFF");
    putLe32(&h[4], length + 36);
    text(8, "WAVE");
    text(12, "fmt ");
    putLe32(&h[16], 16);
    putLe16(&h[20], 1);
    putLe16(&h[22], 2);
    putLe32(&h[24], 44100);
    putLe32(&h[28], 176400);
    putLe16(&h[32], 4);
    putLe16(&h[34], 16);
    text(36, "data");
    putLe32(&h[40], length);
    return h;
}

clsFileIo::clsFileIo() = default;
clsFileIo::~clsFileIo() = default;

template <class Op>
bool clsFileIo::attempt(Op&& op) {
    if (!file_ || failed()) return false;
    try {
        op(*file_);
        return true;
    } catch (const RuntimeError& e) {
        error_ = e.description();
        file_.reset();  // the new file is gone; the target stays as it was
        return false;
    }
}

bool clsFileIo::OpenFile(const std::string& FileN) {
    try {
        file_ = std::make_unique<AtomicFileWriter>(FileN, "clsFileIo");
    } catch (const RuntimeError& e) {
        error_ = e.description();
        return false;
    }
    fileName_ = FileN;
    error_.clear();
    return true;
}

bool clsFileIo::CloseFile() { return CloseFileAs(fileName_); }

bool clsFileIo::CloseFileAs(const std::string& FileN) {
    // On disk before it takes the target's place.
    const bool closed = attempt([&](AtomicFileWriter& f) {
        f.sync();
        f.commitAs(FileN);
    });
    file_.reset();
    return closed;
}

void clsFileIo::DiscardFile() { file_.reset(); }

bool clsFileIo::WriteBytes(const void* Pointer, size_t Size) {
    return attempt([&](AtomicFileWriter& f) { f.write(Pointer, Size); });
}

bool clsFileIo::FlushBuffers() {
    return attempt([](AtomicFileWriter& f) { f.writeOut(); });
}

bool clsFileIo::writeWavHeader(uint32_t Lenght) {
    const auto header = WavHeader(Lenght);
    if (!WriteBytes(header.data(), header.size())) return false;
    FlushBuffers();
    return true;
}

bool clsFileIo::patchWavHeader(uint32_t Lenght) {
    const auto header = WavHeader(Lenght);
    return attempt([&](AtomicFileWriter& f) { f.writeAt(0, header.data(), header.size()); });
}

}  // namespace nalo

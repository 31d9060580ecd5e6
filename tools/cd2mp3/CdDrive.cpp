#include "tools/cd2mp3/CdDrive.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "codecs/LittleEndian.h"
#include "shell/ErrHandler.h"
#include "shell/RuntimeError.h"

namespace nalo::cd2mp3 {

namespace {

constexpr const char* AspiTexts[] = {
    "No error...",
    "Unable to load WNASPI32.DLL (95/98/NT/2000) or use SCSI passthrough (NT/2000)",
    "Could not load ASPI function GetASPI32SupportInfo. Only occurs when an ASPI manager (WNASPI32.DLL) is found, "
    "but cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed.",
    "Could not load ASPI function SendASPI32Command. Only occurs when an ASPI manager (WNASPI32.DLL) is found, but "
    "cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed.",
    "An error was returned by the ASPI manager. Use GetAspiLibAspiError to retrieve the actual ASPI error.",
    "Unused in the current implementation",
    "The buffer passed to ReadCDAudioLBA or ReadCDAudioLBAEx is too small for the requested number of frames.",
    "The handle to the CD-ROM unit is invalid.",
    "All available slots for CD-ROM handles have been allocated.",
    "Results from passing a bad buf parameter to GetCDId (ie. a NULL pointer)",
    "The ha:tgt:lun values passed to GetCDHandle do not refer to a CD-ROM device.",
    "Unable to obtain an exclusive lock on a CD handle.",
    "Occurs when attempting to call GetCDHandle for a ha:tgt:lun value that has already been allocated.",
    "Invalid value for the LPGETCDHAND parameter to GetCDHandle",
    "Invalid version or size specified in LPGETCDHAND parameter to GetCDHandle",
    "An automatic jitter adjust failed during a call to ReadCDAudioLBAEx",
};

constexpr size_t ListSize = 970;
constexpr size_t IdOffset = 4, IdLength = 65;
constexpr int ReadTries = 3;

[[noreturn]] void rangeError() {
    throw RuntimeError(err::SubscriptOutOfRange, "modAKRip32", "インデックスが有効範囲にありません。");
}

}  // namespace

std::string AspiErrorText(int32_t code) {
    if (code > 0 || code < -15) return {};
    return AspiTexts[-code];
}

CdDrive::~CdDrive() {
    try {
        CloseCDDrive();
    } catch (const RuntimeError&) {
        // A reader that faults while closing leaves nothing more to release here.
    }
}

CdRecord CdDrive::GetCDRecord(int index) const {
    if (index < 0 || index >= MaxDrives) rangeError();
    std::array<uint8_t, ListSize> list{};
    reader_.GetCDList(list.data());
    CdRecord record;
    std::memcpy(record.data(), list.data() + 2 + static_cast<size_t>(index) * RecordSize, RecordSize);
    return record;
}

std::vector<std::string> CdDrive::DriveNames() const {
    std::vector<std::string> names;
    const int count = static_cast<int>(std::min<uint32_t>(reader_.GetNumAdapters(), MaxDrives));
    for (int i = 0; i < count; ++i) {
        const CdRecord r = GetCDRecord(i);
        names.push_back(JoinNonZeroBytes(std::span(r).subspan(IdOffset, IdLength)));
    }
    return names;
}

bool CdDrive::OpenCDDrive(int index) {
    const CdRecord r = GetCDRecord(index);
    CloseCDDrive();
    uint8_t request[16] = {12, 1, r[0], r[1], r[2]};
    handle_ = reader_.GetCDHandle(request);
    toc_.fill(0);
    if (handle_ == 0) return false;
    reader_.ModifyCDParms(handle_, 36, 0);
    return reader_.ReadTOC(handle_, toc_.data()) == 1;
}

void CdDrive::CloseCDDrive() {
    if (handle_ == 0) return;
    const uint8_t h = handle_;
    handle_ = 0;
    toc_.fill(0);
    reader_.CloseCDHandle(h);
}

int32_t CdDrive::GetTrackLBA(int entry) const {
    if (entry < 0 || entry >= TocEntries) rangeError();
    const uint8_t* e = toc_.data() + 4 + 8 * entry;
    return static_cast<int32_t>(uint32_t(e[4]) << 24 | uint32_t(e[5]) << 16 | uint32_t(e[6]) << 8 | e[7]);
}

int CdDrive::TrackCount() const {
    int n = 0;
    while (n + 1 < TocEntries && GetTrackLBA(n + 1) != 0) ++n;
    return n;
}

std::string CdDrive::AspiErrorText() const { return cd2mp3::AspiErrorText(reader_.GetAspiLibError()); }

std::string CdDrive::ImageProblem(int index) const {
    return index < 0 ? std::string() : reader_.GetCDImageError(static_cast<uint32_t>(index));
}

bool CdDrive::ReadBlock(uint8_t* buffer, int32_t lba, int32_t count) const {
    const uint32_t header[6] = {static_cast<uint32_t>(lba), static_cast<uint32_t>(count),
                                static_cast<uint32_t>(BlockFrames * FrameBytes), 0, 0, 0};
    for (int attempt = 0; attempt < ReadTries; ++attempt) {
        for (size_t i = 0; i < 6; ++i) putLe32(buffer + 4 * i, header[i]);
        if (reader_.ReadCDAudioLBA(handle_, buffer) == 1) return true;
    }
    return false;
}

std::string CdDrive::CDText(int track, int field) const {
    return handle_ ? reader_.GetCDText(handle_, static_cast<uint32_t>(track), static_cast<uint32_t>(field)) : "";
}

}  // namespace nalo::cd2mp3

// Nalo1.dll: the CD reader calls. Lists the machine's CD drives (read through libcdio),
// then the disc images (.cue/.bin, .toc, .nrg) of the folder named by NALO_CD_IMAGES,
// which our own parsers read (libcdio's image drivers are never used); an image is
// read like a drive. A malformed image stays listed, with the reason it cannot be opened.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include "components/Export.h"
#include "components/nalo1/DiscImage.h"

namespace {

// Error codes of GetAspiLibError.
enum : int32_t {
    NoError = 0,
    DeviceError = -4,
    BufferTooSmall = -6,
    InvalidHandle = -7,
    NoFreeHandle = -8,
    NotACdrom = -10,
    AlreadyAllocated = -12,
    InvalidRequest = -13,
    InvalidRequestVersion = -14,
};

constexpr int MaxEntries = 8;
constexpr size_t RecordSize = 121;
constexpr size_t IdLength = 65;
constexpr size_t FrameSize = CDIO_CD_FRAMESIZE_RAW;  // 2352
constexpr size_t ReadHeaderSize = 24;
constexpr size_t TocSize = 808;
constexpr int32_t ParmMsfAddresses = 36;
constexpr uint32_t StatusComplete = 1, StatusError = 4;

struct Entry {
    std::string source;
    bool image = false;
    std::string problem;  // why a malformed image cannot be opened, naming it
    std::string id;  // identification text
    std::string vendor, model, revision;
};

struct Open {
    CdIo_t* cdio = nullptr;                           // a drive
    std::unique_ptr<nalo::discimage::DiscImage> disc;  // or an image
    uint32_t handle = 0;
    std::string source;
    bool msf = false;
    std::vector<lsn_t> starts;  // track starts, then the lead-out
    std::vector<char> data;     // data track flags
    bool used() const { return cdio || disc; }
};

int32_t lastError = NoError;
std::vector<Entry> entries;
bool scanned = false;
std::vector<std::string> added;  // images opened by name, listed after the folder's
std::array<Open, MaxEntries> opened;
uint32_t nextSerial = 0;

void quiet(cdio_log_level_t, const char*) {}

std::string trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    size_t b = 0;
    while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    return s.substr(b);
}

void addDrives() {
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    if (!devices) return;
    for (char** d = devices; *d && entries.size() < MaxEntries; ++d) {
        Entry e;
        e.source = *d;
        if (CdIo_t* p = cdio_open(*d, DRIVER_DEVICE)) {
            cdio_hwinfo_t hw{};
            if (cdio_get_hwinfo(p, &hw)) {
                e.vendor = trim(hw.psz_vendor);
                e.model = trim(hw.psz_model);
                e.revision = trim(hw.psz_revision);
            }
            cdio_destroy(p);
        }
        e.id = trim(e.vendor + " " + e.model + " " + e.revision);
        if (e.id.empty()) e.id = e.source;
        entries.push_back(std::move(e));
    }
    cdio_free_device_list(devices);
}

bool isImageName(const std::filesystem::path& path) { return nalo::discimage::isImageName(path.string()); }

// The reason an image cannot be opened, naming it; "" for a sound one.
std::string problemOf(const std::string& path) {
    try {
        nalo::discimage::readLayout(path);
        return {};
    } catch (const std::bad_alloc&) {
        return path + ": out of memory";
    } catch (const std::exception& e) {
        return path + ": " + e.what();
    }
}

void addImages() {
    std::vector<std::string> found;
    const char* folder = std::getenv("NALO_CD_IMAGES");
    std::error_code ec;
    if (folder && *folder)
        for (auto it = std::filesystem::directory_iterator(folder, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            if (it->is_regular_file(ec) && isImageName(it->path())) found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    for (const auto& path : added)
        if (std::find(found.begin(), found.end(), path) == found.end()) found.push_back(path);
    for (const auto& path : found) {
        if (entries.size() >= MaxEntries) break;
        Entry e;
        e.source = path;
        e.image = true;
        e.problem = problemOf(e.source);
        e.id = path.substr(path.rfind('/') + 1);
        e.vendor = "IMAGE";
        e.model = e.id;
        e.revision = "1.0";
        entries.push_back(std::move(e));
    }
}

void scan() {
    cdio_log_set_handler(quiet);
    entries.clear();
    addDrives();
    addImages();
    scanned = true;
}

Open* find(uint32_t handle) {
    if (handle == 0) return nullptr;
    Open& o = opened[handle & (MaxEntries - 1)];
    return o.used() && o.handle == handle ? &o : nullptr;
}

void putText(uint8_t* dst, size_t size, const std::string& text) {
    std::memcpy(dst, text.data(), std::min(size - 1, text.size()));
}

void putBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t getLe32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void putLe32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Copies at most size - 1 bytes of `value` and a NUL; returns the length copied.
uint32_t copyText(const char* value, char* text, uint32_t size) {
    if (!value) return 0;
    const size_t n = std::min<size_t>(std::strlen(value), size - 1);
    std::memcpy(text, value, n);
    text[n] = 0;
    return static_cast<uint32_t>(n);
}

uint32_t fail(int32_t code) {
    lastError = code;
    return 0;
}

bool readImageTracks(Open& o) {
    const nalo::discimage::DiscLayout& d = o.disc->layout();
    for (const auto& t : d.tracks) {
        o.starts.push_back(static_cast<lsn_t>(t.start));
        o.data.push_back(!t.audio);
    }
    o.starts.push_back(static_cast<lsn_t>(d.leadout));
    return true;
}

track_t firstTrack(const Open& o) {
    return o.disc ? static_cast<track_t>(o.disc->layout().firstTrack) : cdio_get_first_track_num(o.cdio);
}

bool readTracks(Open& o) {
    if (o.disc) return readImageTracks(o);
    track_t first = cdio_get_first_track_num(o.cdio);
    track_t count = cdio_get_num_tracks(o.cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || count > 99) return false;
    for (track_t t = first; t < first + count; ++t) {
        lsn_t lsn = cdio_get_track_lsn(o.cdio, t);
        if (lsn == CDIO_INVALID_LSN) return false;
        o.starts.push_back(lsn);
        o.data.push_back(cdio_get_track_format(o.cdio, t) != TRACK_FORMAT_AUDIO);
    }
    lsn_t leadout = cdio_get_track_lsn(o.cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LSN || leadout < o.starts.back()) return false;
    o.starts.push_back(leadout);
    return std::is_sorted(o.starts.begin(), o.starts.end());
}

}  // namespace

// Number of entries (drives, then images) the list holds.
NALO_EXPORT uint32_t GetNumAdapters() {
    lastError = NoError;
    scan();
    return static_cast<uint32_t>(entries.size());
}

// Fills the drive list: byte 0 the capacity (0 = 8), byte 1 the count, from byte 2
// the 121-byte records. Returns the count.
NALO_EXPORT uint32_t GetCDList(uint8_t* list) {
    lastError = NoError;
    if (!list) return fail(InvalidRequest);
    scan();
    size_t max = list[0] == 0 ? MaxEntries : std::min<size_t>(list[0], MaxEntries);
    size_t n = std::min(max, entries.size());
    list[1] = static_cast<uint8_t>(n);
    for (size_t i = 0; i < n; ++i) {
        uint8_t* r = list + 2 + i * RecordSize;
        std::memset(r, 0, RecordSize);
        r[0] = static_cast<uint8_t>(i);  // host adapter; target and LUN are 0
        putText(r + 4, IdLength, entries[i].id);
        putText(r + 69, 9, entries[i].vendor);
        putText(r + 78, 17, entries[i].model);
        putText(r + 95, 5, entries[i].revision);
    }
    return static_cast<uint32_t>(n);
}

// Opens the entry named by the request's adapter, target and LUN. 0 on failure.
NALO_EXPORT uint32_t GetCDHandle(const uint8_t* request) {
    lastError = NoError;
    if (!request) return fail(InvalidRequest);
    if (request[0] != 12 || request[1] != 1) return fail(InvalidRequestVersion);
    if (!scanned) scan();
    const size_t index = request[2];
    if (request[3] != 0 || request[4] != 0 || index >= entries.size()) return fail(NotACdrom);
    const Entry& e = entries[index];
    for (const Open& o : opened)
        if (o.used() && o.source == e.source) return fail(AlreadyAllocated);
    auto slot = std::find_if(opened.begin(), opened.end(), [](const Open& o) { return !o.used(); });
    if (slot == opened.end()) return fail(NoFreeHandle);
    *slot = Open{};
    if (e.image) {
        // Parsed again: the file may have changed since it was listed.
        try {
            slot->disc = std::make_unique<nalo::discimage::DiscImage>(e.source);
        } catch (const std::exception& x) {
            entries[index].problem = e.source + ": " + x.what();
            return fail(NotACdrom);
        }
    } else {
        cdio_log_set_handler(quiet);
        slot->cdio = cdio_open(e.source.c_str(), DRIVER_DEVICE);
        if (!slot->cdio) return fail(NotACdrom);
    }
    slot->source = e.source;
    // Handles stay in one byte: a generation (1..31) above the slot number.
    slot->handle = ((nextSerial++ % 31 + 1) << 3) | static_cast<uint32_t>(slot - opened.begin());
    return slot->handle;
}

// Parameter 36 selects the TOC's address form: 0 logical block addresses, else MSF.
NALO_EXPORT uint32_t ModifyCDParms(uint32_t handle, int32_t which, uint32_t value) {
    lastError = NoError;
    Open* o = find(handle);
    if (!o) return fail(InvalidHandle);
    if (which != ParmMsfAddresses) return 0;
    o->msf = value != 0;
    return 1;
}

// Fills the 808-byte TOC: length, first and last track, then one 8-byte entry per
// track and the lead-out, each with its big-endian address. 1 on success.
NALO_EXPORT uint32_t ReadTOC(uint32_t handle, uint8_t* toc) {
    lastError = NoError;
    Open* o = find(handle);
    if (!o) return fail(InvalidHandle);
    if (!toc) return fail(InvalidRequest);
    std::memset(toc, 0, TocSize);
    o->starts.clear();
    o->data.clear();
    if (!readTracks(*o)) {
        o->starts.clear();
        return fail(DeviceError);
    }
    const size_t tracks = o->data.size();
    const track_t first = firstTrack(*o);
    const size_t length = 2 + 8 * (tracks + 1);
    toc[0] = static_cast<uint8_t>(length >> 8);
    toc[1] = static_cast<uint8_t>(length);
    toc[2] = first;
    toc[3] = static_cast<uint8_t>(first + tracks - 1);
    for (size_t i = 0; i <= tracks; ++i) {
        uint8_t* e = toc + 4 + 8 * i;
        const bool leadout = i == tracks;
        e[1] = static_cast<uint8_t>(0x10 | (!leadout && o->data[i] ? 0x04 : 0x00));
        e[2] = static_cast<uint8_t>(leadout ? int(CDIO_CDROM_LEADOUT_TRACK) : int(first + i));
        const lsn_t lsn = o->starts[i];
        if (o->msf) {
            const lba_t lba = lsn + CDIO_PREGAP_SECTORS;
            e[5] = static_cast<uint8_t>(lba / (60 * 75));
            e[6] = static_cast<uint8_t>(lba / 75 % 60);
            e[7] = static_cast<uint8_t>(lba % 75);
        } else {
            putBe32(e + 4, static_cast<uint32_t>(lsn));
        }
    }
    return 1;
}

// Reads frames into the buffer after its 24-byte header (first LBA, frame count,
// maximum length, length, status, start offset). 1 on success.
NALO_EXPORT uint32_t ReadCDAudioLBA(uint32_t handle, uint8_t* buffer) {
    lastError = NoError;
    Open* o = find(handle);
    if (!o) return fail(InvalidHandle);
    if (!buffer) return fail(InvalidRequest);
    const int64_t first = static_cast<int32_t>(getLe32(buffer));
    const int64_t count = getLe32(buffer + 4);
    const int64_t maxLength = getLe32(buffer + 8);
    putLe32(buffer + 12, 0);
    putLe32(buffer + 16, StatusError);
    if (count == 0) return fail(DeviceError);
    if (count * static_cast<int64_t>(FrameSize) > maxLength) return fail(BufferTooSmall);
    if (o->starts.empty() && !readTracks(*o)) return fail(DeviceError);
    if (first < o->starts.front() || first + count > o->starts.back()) return fail(DeviceError);
    if (o->disc) {
        if (!o->disc->readFrames(first, count, buffer + ReadHeaderSize)) return fail(DeviceError);
        putLe32(buffer + 12, static_cast<uint32_t>(count * FrameSize));
        putLe32(buffer + 16, StatusComplete);
        return 1;
    }

    // Read track by track so that no single read crosses a track boundary.
    uint8_t* dst = buffer + ReadHeaderSize;
    int64_t lsn = first, left = count;
    while (left > 0) {
        auto next = std::upper_bound(o->starts.begin(), o->starts.end(), static_cast<lsn_t>(lsn));
        const int64_t piece = std::min(left, static_cast<int64_t>(*next) - lsn);
        if (cdio_read_audio_sectors(o->cdio, dst, static_cast<lsn_t>(lsn), static_cast<uint32_t>(piece)) !=
            DRIVER_OP_SUCCESS)
            return fail(DeviceError);
        dst += piece * FrameSize;
        lsn += piece;
        left -= piece;
    }
    putLe32(buffer + 12, static_cast<uint32_t>(count * FrameSize));
    putLe32(buffer + 16, StatusComplete);
    return 1;
}

NALO_EXPORT uint32_t CloseCDHandle(uint32_t handle) {
    lastError = NoError;
    Open* o = find(handle);
    if (!o) return fail(InvalidHandle);
    if (o->cdio) cdio_destroy(o->cdio);
    *o = Open{};
    return 1;
}

NALO_EXPORT int32_t GetAspiLibError() { return lastError; }

// Adds a disc image file (.cue, .toc, .nrg) to the list, after the drives and the
// images of NALO_CD_IMAGES. Returns its 1-based list position, 0 when the file is not
// an image or the list is full.
NALO_EXPORT uint32_t AddCDImage(const char* path) {
    lastError = NoError;
    std::error_code ec;
    if (!path || !isImageName(path) || !std::filesystem::is_regular_file(path, ec)) return fail(InvalidRequest);
    const std::string full = std::filesystem::absolute(path, ec).string();
    if (ec) return fail(InvalidRequest);
    if (std::find(added.begin(), added.end(), full) == added.end()) added.push_back(full);
    scan();
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].source == full) return static_cast<uint32_t>(i + 1);
    added.erase(std::find(added.begin(), added.end(), full));
    return fail(NoFreeHandle);
}

// The disc's CD-Text of one track (0: the disc itself): field 0 title, 1 performer.
// Copies at most size - 1 bytes and a NUL; returns the text's length, 0 when there is none.
NALO_EXPORT uint32_t GetCDText(uint32_t handle, uint32_t track, uint32_t field, char* text, uint32_t size) {
    lastError = NoError;
    Open* o = find(handle);
    if (!o) return fail(InvalidHandle);
    if (!text || size == 0 || field > 1 || track > 99) return fail(InvalidRequest);
    text[0] = 0;
    const char* value = nullptr;
    if (o->disc) {
        const auto& d = o->disc->layout();
        const size_t i = track - static_cast<uint32_t>(d.firstTrack);
        if (track == 0) value = field == 0 ? d.title.c_str() : d.performer.c_str();
        else if (track >= static_cast<uint32_t>(d.firstTrack) && i < d.tracks.size())
            value = field == 0 ? d.tracks[i].title.c_str() : d.tracks[i].performer.c_str();
        return copyText(value, text, size);
    }
    cdtext_t* cdtext = cdio_get_cdtext(o->cdio);
    if (!cdtext) return 0;
    value = cdtext_get_const(cdtext, field == 0 ? CDTEXT_FIELD_TITLE : CDTEXT_FIELD_PERFORMER,
                             static_cast<track_t>(track));
    return copyText(value, text, size);
}

// Why list entry `index` (0-based), a malformed disc image, cannot be opened: the
// image's path and the reason. Copies at most size - 1 bytes and a NUL; returns the
// text's length, 0 for an entry that is not a malformed image.
NALO_EXPORT uint32_t GetCDImageError(uint32_t index, char* text, uint32_t size) {
    lastError = NoError;
    if (!text || size == 0) return fail(InvalidRequest);
    text[0] = 0;
    if (!scanned) scan();
    if (index >= entries.size()) return 0;
    return copyText(entries[index].problem.c_str(), text, size);
}

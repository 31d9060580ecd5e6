// nalo-convert cd2mp3 --list
// nalo-convert cd2mp3 [--drive N|NAME | --image FILE.cue] [--tracks 1,3-5|all] [--to mp3|wav]
//                     [--bitrate K] [--quality low|normal|high] [--skip] --out DIR
#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/Subcommands.h"
#include "shell/CheckComponents.h"
#include "shell/FileHelpers.h"
#include "tools/cd2mp3/TrackConversion.h"

namespace nalo::cli {

namespace {

using namespace cd2mp3;

// No window: progress is not shown and the texts of the boxes become failure lines.
struct QuietHost : CopyHost {
    void ShowProgress() override {}
    void ChangeProgress(const std::string&, float, float) override {}
    void UnloadProgress() override {}
    void letEventsRun() override {}
    void message(const UserMessage&, const std::string&) override {}
};

std::string lengthText(int32_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%02d", frames / (60 * FramesPerSecond), frames / FramesPerSecond % 60,
                  frames % FramesPerSecond);
    return text;
}

// "failed: <image>: <reason>" for a malformed disc image (the reader's text names it); 1.
int imageFailure(const std::string& problem) {
    std::fflush(stdout);
    std::fprintf(stderr, "failed: %s\n", problem.c_str());
    return 1;
}

// Every drive and image with its tracks; a malformed image is listed with the reason
// (and the exit status 1), the others as ever.
int list(CdDrive& drive) {
    const auto names = drive.DriveNames();
    if (names.empty()) std::printf("no CD drives or disc images (NALO_CD_IMAGES names a folder of images)\n");
    int status = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        std::printf("%zu: %s\n", i, names[i].c_str());
        const std::string problem = drive.ImageProblem(static_cast<int>(i));
        if (!problem.empty()) {
            std::printf("  (malformed disc image)\n");
            status = imageFailure(problem);
            continue;
        }
        if (!drive.OpenCDDrive(static_cast<int>(i))) {
            std::printf("  (no audio disc)\n");
            continue;
        }
        for (int t = 1; t <= drive.TrackCount(); ++t) {
            const int32_t frames = drive.GetTrackLBA(t) - drive.GetTrackLBA(t - 1);
            std::printf("  %s  %s  %d frames\n", TrackName(t).c_str(), lengthText(frames).c_str(), frames);
        }
    }
    return status;
}

// "all" or a comma list of numbers and ranges ("1,3-5"); nothing when malformed or
// outside 1..count.
std::optional<std::vector<int>> parseTracks(const std::string& text, int count) {
    std::vector<int> tracks;
    if (text == "all") {
        for (int t = 1; t <= count; ++t) tracks.push_back(t);
        return tracks;
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string part = text.substr(at, comma - at);
        const size_t dash = part.find('-');
        int from = 0, to = 0;
        char extra = 0;
        const bool ok = dash == std::string::npos ? std::sscanf(part.c_str(), "%d%c", &from, &extra) == 1
                                                  : std::sscanf(part.c_str(), "%d-%d%c", &from, &to, &extra) == 2;
        if (dash == std::string::npos) to = from;
        if (!ok || from < 1 || to < from || to > count) return std::nullopt;
        for (int t = from; t <= to; ++t)
            if (std::find(tracks.begin(), tracks.end(), t) == tracks.end()) tracks.push_back(t);
        at = comma + 1;
    }
    return tracks;
}

struct Request {
    std::string drive = "0", image, tracks = "all", folder;
    ConversionOptions options;
    int kbps = 160, quality = 1;
    bool skip = false;
};

int convert(CdDrive& drive, const Request& r) {
    int index = -1;
    if (!r.image.empty()) {
        index = static_cast<int>(drive.reader().AddCDImage(r.image)) - 1;
        if (index < 0) return fileFailure(r.image, "not a disc image the CD reader can open");
    } else {
        const auto names = drive.DriveNames();
        const auto byName = std::find(names.begin(), names.end(), r.drive);
        if (byName != names.end()) index = static_cast<int>(byName - names.begin());
        else if (std::sscanf(r.drive.c_str(), "%d", &index) != 1 || std::to_string(index) != r.drive)
            return usageError("cd2mp3: no drive named '" + r.drive + "' (see --list)");
        if (index < 0 || index >= static_cast<int>(names.size()))
            return usageError("cd2mp3: no drive " + r.drive + " (see --list)");
    }
    const std::string source = r.image.empty() ? "drive " + r.drive : r.image;
    if (const std::string problem = drive.ImageProblem(index); !problem.empty()) return imageFailure(problem);
    if (!drive.OpenCDDrive(index)) return fileFailure(source, "no audio disc: " + drive.AspiErrorText());
    const auto tracks = parseTracks(r.tracks, drive.TrackCount());
    if (!tracks)
        return usageError("cd2mp3: --tracks '" + r.tracks + "' is not within 1-" + std::to_string(drive.TrackCount()));
    if (!FolderExists(r.folder)) return fileFailure(r.folder, "no such folder");
    ConversionOptions options = r.options;
    options.config = MakeLameConfig(r.kbps, PresetOfQuality(r.quality));
    std::optional<Mp3Encoder> encoder;
    if (options.mode == OutputMode::Mp3) encoder.emplace();
    QuietHost host;
    int status = 0;
    for (int t : *tracks) {
        const std::string path = OutputPath(r.folder, t, options.mode);
        if (r.skip && FileExists(path)) {
            std::printf("skipped: %s (exists)\n", path.c_str());
            continue;
        }
        status |= guardFile(path, [&] {
            const CopyResult result = ConvertTrack(drive, encoder ? &*encoder : nullptr, host, path, t, options);
            if (result.outcome != CopyOutcome::Complete)
                return fileFailure(path, result.reason + (result.kept.empty() ? "" : "; what was read is kept as " + result.kept));
            std::printf("written: %s  CRC32 %08X\n", path.c_str(), result.crc32);
            std::fflush(stdout);
            return 0;
        });
    }
    return status;
}

}  // namespace

int runCD2MP3(const Args& args) {
    Request r;
    bool listOnly = false, driveGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--list") {
            listOnly = true;
        } else if (a == "--skip") {
            r.skip = true;
        } else if (a == "--drive" && hasValue) {
            r.drive = args[++i];
            driveGiven = true;
        } else if (a == "--image" && hasValue) {
            r.image = args[++i];
        } else if (a == "--tracks" && hasValue) {
            r.tracks = args[++i];
        } else if (a == "--out" && hasValue) {
            r.folder = args[++i];
        } else if (a == "--to" && hasValue) {
            const std::string& to = args[++i];
            if (to != "mp3" && to != "wav") return usageError("cd2mp3: --to takes mp3 or wav");
            r.options.mode = to == "wav" ? OutputMode::Wav : OutputMode::Mp3;
        } else if (a == "--bitrate" && hasValue) {
            const std::string& k = args[++i];
            const auto it = std::find_if(std::begin(Bitrates), std::end(Bitrates),
                                         [&](int b) { return std::to_string(b) == k; });
            if (it == std::end(Bitrates)) return usageError("cd2mp3: --bitrate takes 32, 40, ... 320");
            r.kbps = *it;
        } else if (a == "--quality" && hasValue) {
            const std::string& q = args[++i];
            r.quality = q == "low" ? 0 : q == "normal" ? 1 : q == "high" ? 2 : -2;
            if (r.quality < 0) return usageError("cd2mp3: --quality takes low, normal or high");
        } else {
            return usageError("cd2mp3: unknown option '" + a + "'");
        }
    }
    if (driveGiven && !r.image.empty()) return usageError("cd2mp3: --drive and --image exclude each other");
    const CheckResult check = CheckComponents();
    if (!check.ok) {
        std::fprintf(stderr, "nalo-convert: %s\n", check.message.c_str());
        return 1;
    }
    CdReader reader;
    CdDrive drive(reader);
    if (listOnly) {
        if (!r.image.empty() && reader.AddCDImage(r.image) == 0)
            return fileFailure(r.image, "not a disc image the CD reader can open");
        return list(drive);
    }
    if (r.folder.empty()) return usageError("cd2mp3: --out DIR is required");
    return convert(drive, r);
}

}  // namespace nalo::cli

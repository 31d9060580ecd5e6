// nalo-convert cd2mp3 --list [--image FILE.cue]
// nalo-convert cd2mp3 [--drive N|NAME | --image FILE.cue] [--tracks 1,3-5|all] [--to mp3|wav]
//                     [--bitrate K] [--quality low|normal|high] [--skip] --out DIR
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "cli/Command.h"
#include "shell/CheckComponents.h"
#include "shell/FileHelpers.h"
#include "tools/cd2mp3/TrackConversion.h"

namespace nalo::cli {

namespace {

using namespace cd2mp3;

// A failure before any track: reported as the run's one result.
int fileFailure(const Command& cmd, const std::string& file, const std::string& reason) {
    RunReporter reporter(cmd.reporting());
    reporter.failure(file, reason);
    return reporter.finish();
}

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

// A whole number, the whole text.
std::optional<int> wholeNumber(const std::string& text) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || at != end) return std::nullopt;
    return v;
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
        const auto from = wholeNumber(part.substr(0, dash));
        const auto to = dash == std::string::npos ? from : wholeNumber(part.substr(dash + 1));
        if (!from || !to || *from < 1 || *to < *from || *to > count) return std::nullopt;
        for (int t = *from; t <= *to; ++t)
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

// No window: the progress goes to the progress line and the texts of the boxes
// become failure lines.
struct ReportingHost : CopyHost {
    explicit ReportingHost(RunReporter& r) : reporter(r) {}
    RunReporter& reporter;
    int64_t done = 0;
    void ShowProgress() override {}
    void ChangeProgress(const std::string&, float, float) override { reporter.advance(done); }
    void UnloadProgress() override {}
    void letEventsRun() override {}
    void message(const UserMessage&, const std::string&) override {}
};

// Returns the exit code.
int convert(CdDrive& drive, const Request& r, const Command& cmd) {
    int index = -1;
    if (!r.image.empty()) {
        index = static_cast<int>(drive.reader().AddCDImage(r.image)) - 1;
        if (index < 0) return fileFailure(cmd, r.image, "not a disc image the CD reader can open");
    } else {
        const auto names = drive.DriveNames();
        const auto byName = std::find(names.begin(), names.end(), r.drive);
        const auto number = wholeNumber(r.drive);
        if (byName != names.end()) index = static_cast<int>(byName - names.begin());
        else if (number) index = *number;
        else return cmd.usage("no drive named '" + r.drive + "' (see --list)");
        if (index < 0 || index >= static_cast<int>(names.size())) return cmd.usage("no drive " + r.drive + " (see --list)");
    }
    const std::string source = r.image.empty() ? "drive " + r.drive : r.image;
    if (const std::string problem = drive.ImageProblem(index); !problem.empty()) return imageFailure(problem);
    if (!drive.OpenCDDrive(index)) return fileFailure(cmd, source, "no audio disc: " + drive.AspiErrorText());
    const auto tracks = parseTracks(r.tracks, drive.TrackCount());
    if (!tracks) return cmd.usage("--tracks '" + r.tracks + "' is not within 1-" + std::to_string(drive.TrackCount()));
    if (!FolderExists(r.folder)) return fileFailure(cmd, r.folder, "no such folder");
    ConversionOptions options = r.options;
    options.config = MakeLameConfig(r.kbps, PresetOfQuality(r.quality));
    std::optional<Mp3Encoder> encoder;
    if (options.mode == OutputMode::Mp3) encoder.emplace();
    RunReporter reporter(cmd.reporting());
    ReportingHost host(reporter);
    reporter.plan(int64_t(tracks->size()), "tracks");
    for (int t : *tracks) {
        const std::string path = OutputPath(r.folder, t, options.mode);
        reporter.begin(path);
        if (r.skip && FileExists(path)) {
            reporter.result(FileReport{source, path, Outcome::Skipped});
        } else {
            guardFile(reporter, path, [&] {
                const CopyResult result = ConvertTrack(drive, encoder ? &*encoder : nullptr, host, path, t, options);
                if (result.outcome != CopyOutcome::Complete)
                    return reporter.result(FileReport{
                        source, path, Outcome::Failed,
                        result.reason + (result.kept.empty() ? "" : "; what was read is kept as " + result.kept), {}, true});
                char crc[32];
                std::snprintf(crc, sizeof crc, "  CRC32 %08X", result.crc32);
                reporter.result(FileReport{source, path, Outcome::Written, {}, crc});
            });
        }
        reporter.advance(++host.done);
    }
    return reporter.finish();
}

}  // namespace

int runCD2MP3(const Args& args) {
    Command cmd("cd2mp3", "Audio-CD tracks to \"Track 03.mp3\" ... (or .wav); --list shows the drives and disc images.");
    Request r;
    bool listOnly = false;
    std::string to = "mp3", quality = "normal";
    cmd.app.add_flag("--list", listOnly, "List the CD drives and disc images with their tracks");
    auto* drive = cmd.app.add_option("--drive", r.drive, "The drive, by number or name (see --list)")->capture_default_str();
    auto* image = cmd.app.add_option("--image", r.image, "A disc image (FILE.cue)")->check(NotStdio);
    drive->excludes(image);
    cmd.app.add_option("--tracks", r.tracks, "Tracks: all, or numbers and ranges as 1,3-5")->capture_default_str();
    cmd.app.add_option("--to", to, "Output type")->check(CLI::IsMember({"mp3", "wav"}))->capture_default_str();
    cmd.app.add_option("--bitrate", r.kbps, "MP3 bit rate in kbit/s")
        ->check(CLI::IsMember(std::vector<int>(std::begin(Bitrates), std::end(Bitrates))))
        ->capture_default_str();
    cmd.app.add_option("--quality", quality, "MP3 encoder quality")
        ->check(CLI::IsMember({"low", "normal", "high"}))
        ->capture_default_str();
    cmd.addOut("Folder for the track files")->type_name("DIR");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    r.options.mode = to == "wav" ? OutputMode::Wav : OutputMode::Mp3;
    r.quality = quality == "low" ? 0 : quality == "normal" ? 1 : 2;
    r.folder = cmd.out;
    r.skip = cmd.skip;
    const CheckResult check = CheckComponents();
    if (!check.ok) {
        std::fprintf(stderr, "nalo-convert: %s\n", check.message.c_str());
        return 1;
    }
    CdReader reader;
    CdDrive cd(reader);
    if (listOnly) {
        if (!r.image.empty() && reader.AddCDImage(r.image) == 0)
            return fileFailure(cmd, r.image, "not a disc image the CD reader can open");
        return list(cd);
    }
    if (r.folder.empty()) return cmd.usage("--out DIR is required");
    return convert(cd, r, cmd);
}

}  // namespace nalo::cli

#include "tools/cd2mp3/TrackConversion.h"

#include "shell/RuntimeError.h"
#include "tools/cd2mp3/Id3Tag.h"

namespace nalo::cd2mp3 {

CopyResult ConvertTrack(const CdDrive& drive, const Mp3Encoder* encoder, CopyHost& host, const std::string& path,
                        int track, const ConversionOptions& options) {
    const int32_t firstLBA = drive.GetTrackLBA(track - 1), endLBA = drive.GetTrackLBA(track);
    if (options.mode == OutputMode::Wav) return RipTrackToWav(drive, host, path, firstLBA, endLBA);
    if (!encoder) throw RuntimeError(err::ObjectVariableNotSet, "modGeneral", "MP3 encoder not loaded");
    const TrackTags tags{track, drive.TrackCount(), drive.CDText(track, 0), drive.CDText(track, 1),
                         drive.CDText(0, 0)};
    return EncodeTrackToMp3(drive, *encoder, host, path, firstLBA, endLBA, options.config, Id3v2Tag(tags));
}

}  // namespace nalo::cd2mp3

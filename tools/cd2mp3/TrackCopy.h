#pragma once
// modGeneral: a range of CD frames copied into a WAV file or encoded into an MP3 file,
// block by block, with the progress window and the cancel flag (CancelRequested).
#include <cstdint>
#include <span>
#include <string>

#include "platform/ComponentLibrary.h"
#include "shell/UserMessage.h"
#include "tools/cd2mp3/CdDrive.h"
#include "tools/cd2mp3/LameConfig.h"

namespace nalo::cd2mp3 {

// What a copy shows while it runs: the progress window (Nalo_CDP) and message boxes.
class CopyHost {
public:
    virtual ~CopyHost() = default;
    virtual void ShowProgress() = 0;
    virtual void ChangeProgress(const std::string& Status, float CurVal, float TotVal) = 0;
    virtual void UnloadProgress() = 0;
    // Lets pending window events run (the Cancel button gets through here).
    virtual void letEventsRun() = 0;
    // A message box with the OK button: `caption` "" is the application title.
    virtual void message(const UserMessage& m, const std::string& caption) = 0;
};

// A copy that did not finish never leaves a file under the target's name: the target
// stays as it was, and what was read (a valid, shorter file) is kept under
// IncompletePath(target), or nowhere when nothing was read.
enum class CopyOutcome {
    Complete,
    Cancelled,   // ended after the current block
    ReadFailed,  // a block failed three times
    Failed,      // nothing written (an encoder or file error)
};

struct CopyResult {
    CopyOutcome outcome = CopyOutcome::Failed;
    int32_t framesDone = 0;
    uint32_t crc32 = 0;   // of the audio frames read
    std::string reason;   // the text shown, for every outcome but Complete and Cancelled
    std::string kept;     // where an unfinished copy's frames went; "" when nowhere
};

// The copy of frames firstLBA .. endLBA - 1 of the open drive as a WAV file. A copy
// that ends early (Cancel, a read failing three times) gets its header rewritten to
// the frames written and is kept as incomplete; a failed write ends it with a message
// naming the file and leaves no file. Other run-time errors reach the caller.
CopyResult RipTrackToWav(const CdDrive& drive, CopyHost& host, const std::string& path, int32_t firstLBA,
                         int32_t endLBA);

// The same range encoded into an MP3 file through the encoder component, preceded by
// `prefix` (an ID3v2 tag; may be empty). A run-time error (the encoder refusing the
// record, a fault, a failed write) shows the "Critical error..." box and leaves no file.
CopyResult EncodeTrackToMp3(const CdDrive& drive, const Mp3Encoder& encoder, CopyHost& host,
                            const std::string& path, int32_t firstLBA, int32_t endLBA, const LameConfig& config,
                            std::span<const uint8_t> prefix = {});

}  // namespace nalo::cd2mp3

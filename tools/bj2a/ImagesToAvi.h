#pragma once
// The images-to-video run: each picture stretched over a canvas of the output size and
// written as one 24-bit frame, through the AVI layer's calls in their usual order, into
// the container the output's name chooses (AVI, MP4, QuickTime, Matroska, WebM).
// The first picture's canvas is saved as the temporary BMP and read back as raw DIB
// blocks for the stream's format (or, without a temporary, that header is made in
// memory). A run that does not end with every frame written
// leaves no AVI.
#include <functional>
#include <string>
#include <vector>

#include "platform/AviFile.h"
#include "tools/bj2a/FrameRate.h"

namespace nalo::bj2a {

enum class Outcome {
    Written,               // every frame written, the AVI complete
    Cancelled,             // the compressor choice was cancelled: nothing written
    NotOpened,             // the output could not be created
    PictureFailed,         // a picture could not be loaded, stretched or read back
    WriteFailed,           // the AVI layer refused a frame or the file
};

struct RunRequest {
    std::string output;
    std::vector<std::string> pictures;  // in frame order
    int width = 0, height = 0;          // canvas size, 1..32767
    FrameRate fps;                      // held within 1/10..30 (LimitFrameRate)
    std::string tempFrame;              // the temporary BMP; empty: none, its header made in memory
};

struct RunResult {
    Outcome outcome = Outcome::NotOpened;
    AviResult status = AVIERR_OK;  // the last AVI layer result
    int frames = 0;                // frames written
    std::string picture;           // the picture that failed (PictureFailed)
    std::string reason;            // what failed, naming its file
    // The frame size stored: the canvas, or one column and/or row more where a 4:2:0
    // encoder takes no odd side (0 before the format was set).
    int storedWidth = 0, storedHeight = 0;
    bool padded(const RunRequest& request) const {
        return storedWidth > request.width || storedHeight > request.height;
    }
};

struct RunHooks {
    CompressorChooser choose;
    // Before each picture is prepared (the first one twice: for the format, then as
    // frame 0); the window shows the path and lets its events run.
    std::function<void(const std::string& picture)> preparing;
    // After frame `index` was written.
    std::function<void(int index, const std::string& picture)> written;
};

RunResult WriteAviFromPictures(const RunRequest& request, const RunHooks& hooks);

}  // namespace nalo::bj2a

#pragma once
// clsGif24bit: an animated GIF played frame by frame onto a composition canvas, with
// its positions, delays, disposal methods and transparency; in split mode every
// composed frame is saved as a numbered BMP or one-frame GIF file. Each frame is cut
// out of the file into a single-frame GIF stream and decoded in memory when it is
// played, so memory holds the file, the canvas and one frame row whatever the count.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/GifBlockWalk.h"
#include "codecs/OneFrameGifWriter.h"
#include "platform/Dib.h"
#include "platform/FileBytes.h"
#include "platform/FileIdentity.h"
#include "shell/RuntimeError.h"

namespace nalo {

// The state the splitter shares with the windows (and the command line) that drive it.
struct GifSplitShared {
    std::string GifPath;            // the file to split
    bool NotGifFlag = false;        // set when the file is not an animated GIF
    int16_t SplitMode = 0;          // 1: save every composed frame; 0: play only
    int16_t FrameFileKind = 0;      // 0: BMP, 1: GIF
    std::string FrameFileBase;      // folder + "/" + base name of the frame files
    bool FrameTransparency = false; // the GIF writer's UseTrans
    bool KeepExisting = false;      // a frame file already there is kept (FrameFileSkipped)
};

// What playback tells its window between frames.
class GifRenderHost {
public:
    virtual ~GifRenderHost() = default;
    // The pause before frame i is drawn.
    virtual void Pause(int32_t milliseconds) = 0;
    // Frame i composed: show the canvas and let other events run.
    virtual void FrameShown(const Dib& canvas) = 0;
    // Split mode: a frame file written, or one that could not be (the split then stops).
    virtual void FrameFileWritten(const std::string& name) = 0;
    virtual void FrameFileFailed(const RuntimeError& error) = 0;
    // Split mode with KeepExisting: a frame file already there, left as it was.
    virtual void FrameFileSkipped(const std::string&) {}
    // Split mode: the file ends inside a block after `wholeFrames` whole frames, whose
    // files are written; the frame cut short is not.
    virtual void FileEndsEarly(int wholeFrames) = 0;
};

// The files of a split over one or more GIFs: a frame file is never written over one
// of the run's GIFs, nor over a frame file an earlier GIF of the run wrote.
class GifSplitRun {
public:
    explicit GifSplitRun(const std::vector<std::string>& gifs);
    // Raises RuntimeError naming `frameFile` when it may not be written.
    void check(const std::string& frameFile) const;
    void wrote(const std::string& frameFile, const std::string& gif) { written_.add(frameFile, gif); }

private:
    FileIdentitySet gifs_, written_;
};

// The pause before a frame: delays of a second or more play as 100 ms; then UserDelay.
int32_t FramePause(uint16_t delay, int32_t userDelay);

// FrameFileBase + "_" + the number in at least three digits + ".bmp" or ".gif".
std::string FrameFileName(const std::string& base, int number, int16_t kind);

class clsGif24bit {
public:
    explicit clsGif24bit(GifSplitShared& shared) : shared_(shared) {}

    int32_t UserDelay() const { return userDelay_; }
    void UserDelay(int64_t milliseconds);
    // Text: a non-numeric value becomes 10; then clamped to 1..1000.
    void UserDelay(std::string_view text);
    bool StopRender() const { return stopRender_; }
    void StopRender(bool v) { stopRender_ = v; }
    // The background colour of the target picture: the canvas starts as it and
    // disposal method 2 restores it.
    ColourValue BackColor() const { return backColour_; }
    void BackColor(ColourValue c) { backColour_ = translateColour(c); }

    // Reads and walks GifPath; NotGifFlag tells whether it was accepted. Also refused:
    // an unreadable file, no frame, a screen the drawing layer cannot hold.
    int16_t fGifBreakOutFrames();
    // Plays the frames once (split mode: saves each composed frame, within `run` when
    // the file is one of several split together, else a run of this file alone).
    void RenderGif(GifRenderHost& host, GifSplitRun* run = nullptr);
    void CleanUp();
    // Creates the canvas and clears it to BackColor.
    void fCreateBitMap();

    const GifScreenInfo& Screen() const { return screen_; }
    const std::vector<GifFrameInfo>& Frames() const { return frames_; }
    const Dib& Canvas() const { return canvas_; }

private:
    void drawFrame(const GifFrameInfo& frame);
    void saveRect(const GifFrameInfo& frame);
    void restoreRect(const GifFrameInfo& frame);
    bool saveFrameFile(const std::string& name, GifRenderHost& host, GifSplitRun& run);

    GifSplitShared& shared_;
    int32_t userDelay_ = 10;
    bool stopRender_ = false;
    ColourValue backColour_ = translateColour(0x8000000Fu);  // button face
    FileBuffer file_;
    GifScreenInfo screen_;
    std::vector<GifFrameInfo> frames_;
    Dib canvas_;                     // screen-sized, 24-bit bottom-up
    std::vector<uint8_t> stream_;    // the single-frame stream being decoded
    std::vector<uint8_t> line_;      // one decoded row of indexes
    std::vector<uint8_t> previous_;  // the frame's rectangle before it was drawn (disposal 3)
    GIF writer_;
};

}  // namespace nalo

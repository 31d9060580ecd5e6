#pragma once
// The program-wide variables shared between the windows. This is the only
// global mutable state of the program; everything else lives in its window or object.
#include <cstdint>
#include <string>

namespace nalo {

// A point in screen pixels, stored in 16 bits.
struct WindowPoint {
    int16_t x = 0;
    int16_t y = 0;
    friend bool operator==(const WindowPoint&, const WindowPoint&) = default;
};

// The animation origins, one slot per window kind (indices 0..13).
class WindowOriginTable {
public:
    static constexpr int Slots = 14;
    // Raises error 9 for a slot outside 0..13.
    WindowPoint& operator[](int slot);
    const WindowPoint& operator[](int slot) const;
    void reset();

private:
    WindowPoint points_[Slots];
};

extern WindowOriginTable WindowOrigin;

// Result of platform calls nobody else looks at (animation, cursor, shell, settings writes).
extern int32_t ApiResult;

// Policy for an existing output file name (0 = overwrite, 1 = skip), shared by three tools.
extern int16_t OverwriteMode;

// Source folder of the BMP-to-JPG tool and input folder of the colour-depth tool.
extern std::string PictureFolder;

// AVI folder of the AVI-to-GIF and AVI-to-images tools.
extern std::string AviFolder;

// Output size of the BMP-to-JPG and AVI-to-images tools: 0 = as the source, 1 = given.
extern int16_t SizeMode;

// Set by the audio tool's cancel button; long copies test it between blocks.
extern bool CancelRequested;

// Records `slot` from a cursor position: the point when the query succeeded, (0, 0)
// otherwise. `queryResult` is what the cursor query returned; it is kept in ApiResult.
void RecordSlot(int slot, int32_t queryResult, int x, int y);

}  // namespace nalo

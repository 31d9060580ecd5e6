#pragma once
// The JPEG encoder of the BMP-to-JPG tool: ConvertBMPtoJPG of the Nalo3.dll component.
#include "tools/b2j/B2jConverter.h"

namespace nalo::b2j {

// Loads the component from the component folder on first use. A missing component or
// function makes every call fail with a RuntimeError naming it.
JpegEncoder componentJpegEncoder();

}  // namespace nalo::b2j

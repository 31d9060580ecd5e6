#pragma once
// Cue sheets (.cue): FILE ... BINARY, TRACK nn mode, INDEX nn mm:ss:ff, PREGAP, and
// TITLE/PERFORMER as CD-Text. Parsed strictly; raises ImageError on the first fault.
#include <string>

#include "components/nalo1/DiscLayout.h"

namespace nalo::discimage {

DiscLayout parseCueSheet(const std::string& path);

}  // namespace nalo::discimage

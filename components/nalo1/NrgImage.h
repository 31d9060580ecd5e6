#pragma once
// Nero images (.nrg), version 1 ("NERO" footer, 32-bit offsets) and 2 ("NER5", 64-bit):
// the chunk list at the end, its DAOI/DAOX (disc-at-once) or ETNF/ETN2 (track-at-once)
// track table, the tracks' data in the image itself. Every size and offset is checked
// against the file; raises ImageError on the first fault.
#include <string>

#include "components/nalo1/DiscLayout.h"

namespace nalo::discimage {

DiscLayout parseNrgImage(const std::string& path);

}  // namespace nalo::discimage

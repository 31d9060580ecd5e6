#pragma once
// cdrdao .toc files: TRACK mode, FILE/AUDIOFILE/DATAFILE, SILENCE, ZERO, PREGAP, START,
// and TITLE/PERFORMER of language 0 from CD_TEXT blocks. Parsed strictly; raises
// ImageError on the first fault.
#include <string>

#include "components/nalo1/DiscLayout.h"

namespace nalo::discimage {

DiscLayout parseTocFile(const std::string& path);

}  // namespace nalo::discimage

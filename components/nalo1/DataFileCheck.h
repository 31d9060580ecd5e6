#pragma once
// The data files a cue sheet or .toc file names: regular files at or below the folder
// of the (resolved) image, whatever links or ".." the name holds.
#include <string>

#include "components/nalo1/DiscLayout.h"

namespace nalo::discimage {

// The folder an image's data files must lie in: that of the image, links resolved.
std::string imageFolder(const std::string& imagePath);

// `name` as the image gives it, relative to `folder` (from imageFolder). Raises
// ImageError for an absolute name, a file outside the folder, or a missing or
// irregular file.
DataFile resolveDataFile(const std::string& folder, const std::string& name);

}  // namespace nalo::discimage

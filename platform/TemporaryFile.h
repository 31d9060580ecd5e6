#pragma once
// A temporary file with a name of its own: "STEM.XXXXXX.EXT", created exclusively in
// the given folder, or in the user's temporary folder when that folder cannot be
// written. Removed when the object goes, however the work ends.
#include <string>

namespace nalo {

class TemporaryFile {
public:
    // Raises RuntimeError naming the file when neither folder takes it.
    TemporaryFile(const std::string& folder, const std::string& stem, const std::string& extension);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace nalo

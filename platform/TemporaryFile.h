#pragma once
// A temporary file with a name of its own: "STEM.PID.XXXXXX.EXT" (PID the process
// that made it), created exclusively in the given folder, or in the user's temporary
// folder when that folder cannot be written. Removed when the object goes, however
// the work ends; what a killed process left is removed by the next one that makes a
// temporary of the same stem in the folder.
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

// Removes the folder's "STEM.PID.XXXXXX.EXT" files whose process is gone, and the
// "STEM.XXXXXX.EXT" files of earlier versions (which carry no process number) once
// they are an hour old. Anything else, and every failure, is left alone.
void sweepTemporaryFiles(const std::string& folder, const std::string& stem, const std::string& extension);

}  // namespace nalo

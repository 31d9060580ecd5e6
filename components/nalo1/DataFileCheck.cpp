#include "components/nalo1/DataFileCheck.h"

#include <algorithm>
#include <filesystem>

namespace nalo::discimage {

namespace fs = std::filesystem;

std::string imageFolder(const std::string& imagePath) {
    std::error_code ec;
    const fs::path real = fs::canonical(imagePath, ec);
    if (ec) malformed("%s", ec.message().c_str());
    return real.parent_path().string();
}

DataFile resolveDataFile(const std::string& folder, const std::string& name) {
    if (name.empty()) malformed("a data file without a name");
    const fs::path given(name);
    if (given.is_absolute()) malformed("data file '%.200s' is an absolute path; it must lie in the image's folder", name.c_str());
    std::error_code ec;
    const fs::path real = fs::canonical(fs::path(folder) / given, ec);
    if (ec) malformed("data file '%.200s': %s", name.c_str(), ec.message().c_str());
    const fs::path base(folder);
    const auto mismatch = std::mismatch(base.begin(), base.end(), real.begin(), real.end());
    if (mismatch.first != base.end()) malformed("data file '%.200s' lies outside the image's folder", name.c_str());
    const fs::file_status status = fs::status(real, ec);
    if (ec || !fs::is_regular_file(status)) malformed("data file '%.200s' is not a regular file", name.c_str());
    const uintmax_t size = fs::file_size(real, ec);
    if (ec) malformed("data file '%.200s': %s", name.c_str(), ec.message().c_str());
    return {real.string(), static_cast<uint64_t>(size)};
}

}  // namespace nalo::discimage

#include "shell/RuntimeError.h"

#include <cerrno>
#include <cstring>

namespace nalo {

void raiseFileError(const std::string& source, const std::string& path, int errnoValue) {
    int32_t number = err::PathFileAccessError;
    switch (errnoValue) {
    case ENOENT: number = err::FileNotFound; break;
    case ENOTDIR: number = err::PathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: number = err::PermissionDenied; break;
    case ENOSPC:
    case EDQUOT: number = err::DiskFull; break;
    case ENOMEM: number = err::OutOfMemory; break;
    default: break;
    }
    throw RuntimeError(number, source, path + ": " + std::strerror(errnoValue));
}

}  // namespace nalo

#include "platform/ComponentLibrary.h"

#include <dlfcn.h>

#include "shell/RuntimeError.h"
#include "shell/SystemDir.h"

namespace nalo {

ComponentLibrary::ComponentLibrary(const std::string& name) : path_(SystemDir() + "/" + name) {
    handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        throw RuntimeError(err::FileNotFound, "ComponentLibrary",
                           "Cannot load " + path_ + (why ? std::string(": ") + why : std::string()));
    }
}

ComponentLibrary::~ComponentLibrary() {
    if (handle_) ::dlclose(handle_);
}

void* ComponentLibrary::rawSymbol(const char* function) const {
    void* p = ::dlsym(handle_, function);
    if (!p)
        throw RuntimeError(453, "ComponentLibrary", std::string("Can't find DLL entry point ") + function + " in " + path_);
    return p;
}

}  // namespace nalo

#pragma once
// A component library loaded by full path from SystemDir (dlopen), with its functions
// looked up by name. A missing file or function raises a RuntimeError naming it.
#include <string>

namespace nalo {

class ComponentLibrary {
public:
    // Loads SystemDir + "/" + name.
    explicit ComponentLibrary(const std::string& name);
    ~ComponentLibrary();
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;

    template <class Fn>
    Fn symbol(const char* function) const {
        return reinterpret_cast<Fn>(rawSymbol(function));
    }
    const std::string& path() const { return path_; }

private:
    void* rawSymbol(const char* function) const;
    std::string path_;
    void* handle_ = nullptr;
};

}  // namespace nalo

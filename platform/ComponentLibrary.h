#pragma once
// The component call layer: the three component libraries loaded by full path from
// SystemDir, and typed wrappers for their calls. A missing library or function
// raises a RuntimeError naming it; calls run guarded by the crash reporter.
#include <cstdint>
#include <dlfcn.h>
#include <string>

namespace nalo {

namespace err {
inline constexpr int32_t ComponentLoad = 48;       // error in loading the library
inline constexpr int32_t ComponentEntryPoint = 453;  // function not found in it
}  // namespace err

// An open shared library (dlopen by full path), closed when the object goes.
class ComponentLibrary {
public:
    explicit ComponentLibrary(const std::string& path);
    ~ComponentLibrary();
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;

    // The address of an exported function; raises when it is missing.
    void* symbol(const char* name) const;
    template <class Fn>
    Fn function(const char* name) const { return reinterpret_cast<Fn>(symbol(name)); }
    // An optional export: nullptr when the library lacks it.
    template <class Fn>
    Fn optionalFunction(const char* name) const { return reinterpret_cast<Fn>(::dlsym(handle_, name)); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    void* handle_ = nullptr;
};

// Full path of a component in SystemDir (located when CheckComponents has not run).
std::string componentPath(const std::string& fileName);

// Nalo3.dll.
class JpegComponent {
public:
    JpegComponent();
    int32_t ConvertBMPtoJPG(const std::string& bmpPath, const std::string& jpgPath, int32_t a, int32_t quality,
                            int32_t b) const;

private:
    ComponentLibrary lib_;
    int32_t (*convert_)(const char*, const char*, int32_t, int32_t, int32_t);
};

// Nalo2.dll.
class Mp3Encoder {
public:
    Mp3Encoder();
    uint32_t beInitStream(const uint8_t* config, uint32_t& samples, uint32_t& bufferSize, uint32_t& stream) const;
    uint32_t beEncodeChunk(uint32_t stream, uint32_t count, const int16_t* pcm, uint8_t* output,
                           uint32_t& outputLength) const;
    uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t& outputLength) const;
    uint32_t beCloseStream(uint32_t stream) const;

private:
    ComponentLibrary lib_;
    uint32_t (*init_)(const uint8_t*, uint32_t*, uint32_t*, uint32_t*);
    uint32_t (*encode_)(uint32_t, uint32_t, const int16_t*, uint8_t*, uint32_t*);
    uint32_t (*deinit_)(uint32_t, uint8_t*, uint32_t*);
    uint32_t (*close_)(uint32_t);
};

// Nalo1.dll.
class CdReader {
public:
    CdReader();
    uint32_t GetNumAdapters() const;
    uint32_t GetCDList(uint8_t* list970) const;
    uint8_t GetCDHandle(const uint8_t* request16) const;
    uint32_t ModifyCDParms(uint8_t handle, int32_t which, uint32_t value) const;
    uint32_t ReadTOC(uint8_t handle, uint8_t* toc808) const;
    uint32_t ReadCDAudioLBA(uint8_t handle, uint8_t* buffer) const;
    uint32_t CloseCDHandle(uint8_t handle) const;
    int32_t GetAspiLibError() const;
    // Additions of this reader (0 when the library predates them): a disc image file
    // added to the list, giving its 1-based position; a track's CD-Text (field 0 title,
    // 1 performer; track 0 the disc), "" when there is none; why list entry `index`, a
    // malformed disc image, cannot be opened (its path and the reason), "" for others.
    uint32_t AddCDImage(const std::string& path) const;
    std::string GetCDText(uint8_t handle, uint32_t track, uint32_t field) const;
    std::string GetCDImageError(uint32_t index) const;

private:
    ComponentLibrary lib_;
    uint32_t (*numAdapters_)();
    uint32_t (*cdList_)(uint8_t*);
    uint32_t (*cdHandle_)(const uint8_t*);
    uint32_t (*modify_)(uint32_t, int32_t, uint32_t);
    uint32_t (*readToc_)(uint32_t, uint8_t*);
    uint32_t (*readAudio_)(uint32_t, uint8_t*);
    uint32_t (*closeHandle_)(uint32_t);
    int32_t (*lastError_)();
    uint32_t (*addImage_)(const char*);
    uint32_t (*cdText_)(uint32_t, uint32_t, uint32_t, char*, uint32_t);
    uint32_t (*imageError_)(uint32_t, char*, uint32_t);
};

}  // namespace nalo

#pragma once
// Small helpers shared by the test programs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nalo::test {

// A fresh empty folder under the system temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void writeText(const std::string& path, const std::string& text);

// Runs a shell command; returns its exit status. Output goes to `output` when given.
int runCommand(const std::string& command, std::string* output = nullptr);

// True when an external tool is on PATH (tests that cross-check skip without it).
bool haveTool(const std::string& name);

// One AVI codec of a cross-check table: file name, ffmpeg codec arguments, largest
// channel difference allowed.
struct AviCodecCase {
    const char* name;
    const char* args;
    int tolerance;
};

// Deliberate faults for the crash-reporter tests: a null load and an integer
// division by zero, kept out of UBSan's checks (the fault is the point).
int touchNull();
int divide(int a, int b);

// Folder of the built programs (nalo, nalo-convert, Nalo.dll, components).
std::string appDir();
std::string sourceDir();

}  // namespace nalo::test

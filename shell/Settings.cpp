#include "shell/Settings.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileBytes.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// Writes the file anew through a new file renamed over the name: a link there is
// replaced, never followed; a read-only file or anything but a regular file is left.
bool saveIni(const IniDocument& ini, const std::string& path) {
    int mode = -1;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        if (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || ::access(path.c_str(), W_OK) != 0) return false;
        mode = static_cast<int>(st.st_mode & 07777);
    }
    try {
        AtomicFileWriter out(path, "Settings", mode);
        out.write(ini.bytes().data(), ini.bytes().size());
        out.commit();
    } catch (const RuntimeError&) {
        return false;
    }
    return true;
}

}  // namespace

std::string IniPath() { return settingsFolder() + "/Nalo.ini"; }

std::string ReadIni(const std::string& section, const std::string& key, const std::string& file) {
    return IniDocument::read(file).value(section, key);
}

std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) {
    IniDocument ini = IniDocument::read(file);
    ApiResult = ini.set(section, key, value) && saveIni(ini, file) ? 1 : 0;
    return {};
}

bool SettingsFileTooLarge() {
    struct stat st {};
    return ::lstat(IniPath().c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<uint64_t>(st.st_size) > IniDocument::MaxBytes;
}

std::optional<int16_t> ParseIniNumber(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::string t = text.substr(first, last - first + 1);
    if (t.empty()) return std::nullopt;
    // Decimal forms only: sign, digits, optional fraction and exponent.
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t e = i + 1;
        if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
        size_t expDigits = 0;
        while (e < t.size() && std::isdigit(static_cast<unsigned char>(t[e]))) ++e, ++expDigits;
        if (expDigits == 0) return std::nullopt;
        i = e;
    }
    if (i != t.size()) return std::nullopt;
    double v = std::floor(std::strtod(t.c_str(), nullptr));
    if (!(v >= -32768.0 && v <= 32767.0)) return std::nullopt;
    return static_cast<int16_t>(v);
}

std::string FormatIniNumber(int16_t value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string LoadFolderKey(const IniDocument& ini, const std::string& section, const std::string& key) {
    std::string folder = ini.value(section, key);
    if (folder.empty() || !FolderExists(folder)) return appPath();
    return folder;
}

void LoadNumberKey(const IniDocument& ini, const std::string& section, const std::string& key, int16_t fallback,
                   int16_t& variable) {
    const std::string text = ini.value(section, key);
    if (text.empty()) {
        variable = fallback;
        return;
    }
    if (auto n = ParseIniNumber(text)) variable = *n;
}

std::string LoadTextKey(const IniDocument& ini, const std::string& section, const std::string& key) {
    return ini.value(section, key);
}

void SaveTextKey(const std::string& section, const std::string& key, const std::string& value) {
    WriteIni(section, key, value, IniPath());
}

void SaveNumberKey(const std::string& section, const std::string& key, int16_t value) {
    WriteIni(section, key, FormatIniNumber(value), IniPath());
}

}  // namespace nalo

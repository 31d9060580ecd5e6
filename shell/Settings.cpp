#include "shell/Settings.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/FileBytes.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr size_t MaxValueChars = 255;
constexpr size_t MaxNameChars = 127;

bool isUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool validUtf8(const std::string& s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + len > n) return false;
        for (size_t k = 1; k < len; ++k)
            if (!isUtf8Continuation(static_cast<unsigned char>(s[i + k]))) return false;
        i += len;
    }
    return true;
}

// Shift_JIS (CP932) to UTF-8; undecodable bytes become '?'.
std::string fromCp932(const std::string& in) {
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return in;
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';
            ++src;
            --srcLeft;
        }
    }
    ::iconv_close(cd);
    return out;
}

// The first `limit` characters of a UTF-8 text.
std::string cutChars(const std::string& s, size_t limit) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (isUtf8Continuation(static_cast<unsigned char>(s[i]))) continue;
        if (chars == limit) return s.substr(0, i);
        ++chars;
    }
    return s;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// One line of the file, split into what the profile format sees in it.
struct IniLine {
    std::string text;
    enum Kind { Other, Section, Key } kind = Other;
    std::string name;   // section or key name
    std::string value;  // key value, trimmed and unquoted
};

IniLine parseLine(const std::string& text) {
    IniLine line;
    line.text = text;
    std::string t = trim(text);
    if (t.empty() || t[0] == ';') return line;
    if (t[0] == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos) return line;
        line.kind = IniLine::Section;
        line.name = trim(t.substr(1, close - 1));
        return line;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return line;
    line.kind = IniLine::Key;
    line.name = trim(t.substr(0, eq));
    std::string v = trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    line.value = v;
    return line;
}

struct IniFile {
    std::vector<IniLine> lines;
    bool crlf = false;
    bool bom = false;
};

IniFile loadFile(const std::string& path) {
    IniFile file;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return file;
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[8192];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        file.bom = true;
        bytes.erase(0, 3);
    }
    if (!validUtf8(bytes)) bytes = fromCp932(bytes);
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        std::string text = bytes.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
            if (file.lines.empty()) file.crlf = true;
        }
        file.lines.push_back(parseLine(text));
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return file;
}

// Index of the section's header line, or -1.
long findSection(const IniFile& file, const std::string& section) {
    for (size_t i = 0; i < file.lines.size(); ++i)
        if (file.lines[i].kind == IniLine::Section && equalNoCase(file.lines[i].name, section))
            return static_cast<long>(i);
    return -1;
}

// Writes `text` to `target` through a new file in the same folder renamed over it.
bool replaceFile(const std::string& target, const std::string& text) {
    std::error_code ec;
    std::filesystem::path path = target;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
        path = std::filesystem::canonical(path, ec);
        if (ec) return false;
    }
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || ::access(path.c_str(), W_OK) != 0) return false;
        mode = st.st_mode & 07777;
    }
    try {
        AtomicFileWriter out(path.string(), "Settings", static_cast<int>(mode));
        out.write(text.data(), text.size());
        out.commit();
    } catch (const RuntimeError&) {
        return false;
    }
    return true;
}

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

std::string IniPath() { return settingsFolder() + "/Nalo.ini"; }

std::string ReadIni(const std::string& section, const std::string& key, const std::string& file) {
    IniFile ini = loadFile(file);
    std::string sec = cutChars(section, MaxNameChars), k = cutChars(key, MaxNameChars);
    long start = findSection(ini, sec);
    if (start < 0) return {};
    for (size_t i = static_cast<size_t>(start) + 1; i < ini.lines.size(); ++i) {
        const IniLine& line = ini.lines[i];
        if (line.kind == IniLine::Section) break;
        if (line.kind == IniLine::Key && equalNoCase(line.name, k)) return cutChars(line.value, MaxValueChars);
    }
    return {};
}

std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) {
    IniFile ini = loadFile(file);
    std::string sec = oneLine(cutChars(section, MaxNameChars));
    std::string k = oneLine(cutChars(key, MaxNameChars));
    std::string v = oneLine(value);
    long start = findSection(ini, sec);
    if (start < 0) {
        ini.lines.push_back(parseLine("[" + sec + "]"));
        ini.lines.push_back(parseLine(k + "=" + v));
    } else {
        size_t insertAt = static_cast<size_t>(start) + 1;
        bool replaced = false;
        for (size_t i = insertAt; i < ini.lines.size(); ++i) {
            IniLine& line = ini.lines[i];
            if (line.kind == IniLine::Section) break;
            if (line.kind == IniLine::Key && equalNoCase(line.name, k)) {
                line = parseLine(line.name + "=" + v);
                replaced = true;
                break;
            }
            if (!trim(line.text).empty()) insertAt = i + 1;
        }
        if (!replaced)
            ini.lines.insert(ini.lines.begin() + static_cast<long>(insertAt), parseLine(k + "=" + v));
    }
    std::string text = ini.bom ? "\xEF\xBB\xBF" : "";
    const char* eol = ini.crlf ? "\r\n" : "\n";
    for (const auto& line : ini.lines) text += line.text + eol;
    ApiResult = replaceFile(file, text) ? 1 : 0;
    return {};
}

std::optional<int16_t> ParseIniNumber(const std::string& text) {
    std::string t = trim(text);
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

std::string LoadFolderKey(const std::string& section, const std::string& key) {
    std::string folder = ReadIni(section, key, IniPath());
    if (folder.empty() || !FolderExists(folder)) return appPath();
    return folder;
}

void LoadNumberKey(const std::string& section, const std::string& key, int16_t fallback, int16_t& variable) {
    std::string text = ReadIni(section, key, IniPath());
    if (text.empty()) {
        variable = fallback;
        return;
    }
    if (auto n = ParseIniNumber(text)) variable = *n;
}

std::string LoadTextKey(const std::string& section, const std::string& key) {
    return ReadIni(section, key, IniPath());
}

void SaveTextKey(const std::string& section, const std::string& key, const std::string& value) {
    WriteIni(section, key, value, IniPath());
}

void SaveNumberKey(const std::string& section, const std::string& key, int16_t value) {
    WriteIni(section, key, FormatIniNumber(value), IniPath());
}

}  // namespace nalo

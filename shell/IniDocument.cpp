#include "shell/IniDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"

namespace nalo {

namespace {

constexpr size_t MaxValueChars = 255;
constexpr size_t MaxNameChars = 127;

bool isUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool validUtf8(const char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const size_t len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + len > n) return false;
        for (size_t k = 1; k < len; ++k)
            if (!isUtf8Continuation(static_cast<unsigned char>(s[i + k]))) return false;
        i += len;
    }
    return true;
}

bool isCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// One conversion between UTF-8 and CP932.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Undecodable bytes become '?' when `lenient`, else the conversion fails.
    std::optional<std::string> run(const char* in, size_t size, bool lenient) {
        if (!ok()) return std::nullopt;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char* src = const_cast<char*>(in);
        size_t left = size;
        char buf[1024];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t r = ::iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                if (!lenient) return std::nullopt;
                out += '?';
                ++src;
                --left;
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

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
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

IniDocument IniDocument::read(const std::string& path) {
    IniDocument doc;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        // Missing, or a link (never followed): an empty document saved as a new file.
        doc.keep_ = errno != ENOENT && errno != ELOOP;
        return doc;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        doc.keep_ = true;
        return doc;
    }
    if (static_cast<uint64_t>(st.st_size) > MaxBytes) {
        doc.tooLarge_ = doc.keep_ = true;
        return doc;
    }
    std::string bytes(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > MaxBytes) {  // grew past the limit while read
                doc.tooLarge_ = doc.keep_ = true;
                return doc;
            }
            bytes.resize(std::min<size_t>(MaxBytes + 1, got * 2 + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            doc.keep_ = true;
            return doc;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    doc.bytes_ = std::move(bytes);
    doc.parse();
    return doc;
}

void IniDocument::parse() {
    entries_.clear();
    bodyStart_ = bytes_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const char* const data = bytes_.data();
    const size_t n = bytes_.size();
    const auto* firstLf = static_cast<const char*>(std::memchr(data, '\n', n));
    hasCp932_ = !validUtf8(data + bodyStart_, n - bodyStart_);
    eol_ = firstLf && firstLf > data && firstLf[-1] == '\r' ? "\r\n" : "\n";
    for (size_t pos = bodyStart_; pos < n;) {
        const auto* lf = static_cast<const char*>(std::memchr(data + pos, '\n', n - pos));
        const size_t end = lf ? static_cast<size_t>(lf - data) + 1 : n;
        size_t contentEnd = lf ? end - 1 : n;
        while (contentEnd > pos && data[contentEnd - 1] == '\r') --contentEnd;
        size_t b = pos;
        while (b < contentEnd && blank(data[b])) ++b;
        const size_t lineStart = pos;
        pos = end;
        if (b == contentEnd || data[b] == ';') continue;
        const bool cp932 = !validUtf8(data + lineStart, contentEnd - lineStart);
        size_t nameBegin = b, nameEnd;
        Entry::Kind kind;
        if (data[b] == '[') {
            // ']' can be the second byte of a CP932 character.
            size_t close = b + 1;
            while (close < contentEnd && data[close] != ']')
                close += cp932 && isCp932Lead(static_cast<unsigned char>(data[close])) ? 2 : 1;
            if (close >= contentEnd) continue;
            kind = Entry::Section;
            nameBegin = b + 1;
            nameEnd = close;
        } else {
            const void* eq = std::memchr(data + b, '=', contentEnd - b);
            if (!eq) continue;
            kind = Entry::Key;
            nameEnd = static_cast<size_t>(static_cast<const char*>(eq) - data);
        }
        while (nameBegin < nameEnd && blank(data[nameBegin])) ++nameBegin;
        while (nameEnd > nameBegin && blank(data[nameEnd - 1])) --nameEnd;
        entries_.push_back({kind, lineStart, contentEnd, end, decode(nameBegin, nameEnd)});
    }
}

std::string IniDocument::decode(size_t begin, size_t end) const {
    const char* s = bytes_.data() + begin;
    const size_t n = end - begin;
    if (validUtf8(s, n)) return std::string(s, n);
    Converter fromCp932("UTF-8", "CP932");
    return fromCp932.run(s, n, true).value_or(std::string(s, n));
}

// The line as stored: CP932 when the file has CP932 lines and the text has a CP932
// form that does not read as other UTF-8 text; UTF-8 otherwise.
std::string IniDocument::encodeLine(const std::string& utf8) const {
    if (!hasCp932_ || validUtf8(utf8.data(), utf8.size()) == false) return utf8;
    Converter toCp932("CP932", "UTF-8");
    std::optional<std::string> sjis = toCp932.run(utf8.data(), utf8.size(), false);
    if (!sjis || (*sjis != utf8 && validUtf8(sjis->data(), sjis->size()))) return utf8;
    return *sjis;
}

long IniDocument::findSection(const std::string& section) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].kind == Entry::Section && equalNoCase(entries_[i].name, section)) return static_cast<long>(i);
    return -1;
}

std::string IniDocument::value(const std::string& section, const std::string& key) const {
    const long start = findSection(cutChars(section, MaxNameChars));
    if (start < 0) return {};
    const std::string k = cutChars(key, MaxNameChars);
    for (size_t i = static_cast<size_t>(start) + 1; i < entries_.size() && entries_[i].kind == Entry::Key; ++i) {
        const Entry& e = entries_[i];
        if (!equalNoCase(e.name, k)) continue;
        size_t b = static_cast<size_t>(static_cast<const char*>(std::memchr(bytes_.data() + e.begin, '=',
                                                                            e.contentEnd - e.begin)) -
                                       bytes_.data()) + 1;
        size_t end = e.contentEnd;
        while (b < end && blank(bytes_[b])) ++b;
        while (end > b && blank(bytes_[end - 1])) --end;
        if (end - b >= 2 && (bytes_[b] == '"' || bytes_[b] == '\'') && bytes_[end - 1] == bytes_[b]) ++b, --end;
        return cutChars(decode(b, end), MaxValueChars);
    }
    return {};
}

void IniDocument::insertLine(size_t at, const std::string& line) {
    std::string text = line + eol_;
    if (at == bytes_.size() && at > bodyStart_ && bytes_.back() != '\n') text = eol_ + text;
    bytes_.insert(at, text);
}

bool IniDocument::set(const std::string& section, const std::string& key, const std::string& value) {
    if (keep_) return false;
    const std::string sec = oneLine(cutChars(section, MaxNameChars));
    const std::string k = oneLine(cutChars(key, MaxNameChars));
    const long start = findSection(sec);
    if (start < 0) {
        insertLine(bytes_.size(), encodeLine("[" + sec + "]"));
        insertLine(bytes_.size(), encodeLine(k + "=" + oneLine(value)));
    } else {
        // After the section's last key, or in place of the key's line.
        size_t at = entries_[static_cast<size_t>(start)].end;
        bool replaced = false;
        for (size_t i = static_cast<size_t>(start) + 1; i < entries_.size() && entries_[i].kind == Entry::Key; ++i) {
            const Entry& e = entries_[i];
            if (equalNoCase(e.name, k)) {
                bytes_.replace(e.begin, e.contentEnd - e.begin, encodeLine(e.name + "=" + oneLine(value)));
                replaced = true;
                break;
            }
            at = e.end;
        }
        if (!replaced) insertLine(at, encodeLine(k + "=" + oneLine(value)));
    }
    parse();
    return true;
}

}  // namespace nalo

#include "components/nalo1/ImageText.h"

#include <cstring>

#include "components/nalo1/DiscLayout.h"
#include "components/nalo1/ImageFile.h"

namespace nalo::discimage {

namespace {

constexpr uint64_t MaxTextSize = 1 << 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace


std::string readImageText(const std::string& path) {
    const ImageFile file(path);
    if (file.size() > MaxTextSize) malformed("larger than any cue sheet or .toc file (1 MB)");
    std::string text(static_cast<size_t>(file.size()), '\0');
    if (!file.readAt(0, text.data(), text.size())) malformed("cannot be read");
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return text;
}

std::vector<Token> tokenize(const std::string& text, bool tocSyntax) {
    std::vector<Token> tokens;
    int line = 1;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\0') malformedAt(line, "a NUL byte");
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else if (tocSyntax && c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (tocSyntax && (c == '{' || c == '}')) {
            tokens.push_back({std::string(1, c), false, line});
            ++i;
        } else if (c == '"') {
            Token t{{}, true, line};
            for (++i;; ++i) {
                if (i >= text.size() || text[i] == '\n' || text[i] == '\0') malformedAt(line, "a string is not closed");
                if (text[i] == '"') break;
                if (tocSyntax && text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n') {
                    if (i + 3 < text.size() && isDigit(text[i + 1]) && isDigit(text[i + 2]) && isDigit(text[i + 3])) {
                        t.text += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
                        i += 3;
                        continue;
                    }
                    ++i;
                }
                t.text += text[i];
            }
            ++i;
            tokens.push_back(std::move(t));
        } else {
            const size_t from = i;
            while (i < text.size() && text[i] && !std::strchr(" \t\r\n\f\v\"", text[i]) &&
                   !(tocSyntax && (text[i] == '{' || text[i] == '}')))
                ++i;
            tokens.push_back({text.substr(from, i - from), false, line});
        }
    }
    return tokens;
}

int64_t parseNumber(const std::string& text) {
    if (text.empty() || text.size() > 18) malformed("'%.20s' is not a number", text.c_str());
    int64_t v = 0;
    for (char c : text) {
        if (!isDigit(c)) malformed("'%.20s' is not a number", text.c_str());
        v = v * 10 + (c - '0');
    }
    return v;
}

int64_t parseMsf(const std::string& text) {
    const size_t a = text.find(':'), b = a == std::string::npos ? a : text.find(':', a + 1);
    auto part = [&](size_t from, size_t to, int64_t max) {
        const std::string s = text.substr(from, to - from);
        if (s.empty() || s.size() > 2) malformed("'%.20s' is not a time mm:ss:ff", text.c_str());
        const int64_t v = parseNumber(s);
        if (v > max) malformed("'%.20s' is not a time mm:ss:ff", text.c_str());
        return v;
    };
    if (b == std::string::npos) malformed("'%.20s' is not a time mm:ss:ff", text.c_str());
    return (part(0, a, 99) * 60 + part(a + 1, b, 59)) * 75 + part(b + 1, text.size(), 74);
}

}  // namespace nalo::discimage

#pragma once
// The text of a cue sheet or .toc file: read with a size limit and cut into tokens
// (words, quoted strings and, in .toc files, braces), and MSF times.
#include <cstdint>
#include <string>
#include <vector>

namespace nalo::discimage {

// The whole description file; raises ImageError when it cannot be read or is larger
// than any real description (1 MB).
std::string readImageText(const std::string& path);

struct Token {
    std::string text;
    bool quoted = false;
    int line = 1;
};

// `tocSyntax`: "//" comments, "{" and "}" as tokens, backslash escapes in strings.
// A string left open at the end of its line raises ImageError.
std::vector<Token> tokenize(const std::string& text, bool tocSyntax);

// "mm:ss:ff" (minutes 0-99, seconds 0-59, frames 0-74) as frames; nothing else.
int64_t parseMsf(const std::string& text);
// A decimal number of at most 18 digits; nothing else.
int64_t parseNumber(const std::string& text);

}  // namespace nalo::discimage

#pragma once
// One reading of a settings file in the private-profile format: "[section]" lines
// followed by "key=value" lines. The bytes are kept as read; setting a key rewrites
// only that key's line (or adds one), so every other line is saved byte for byte.
// Sections and keys match without regard to ASCII case. Each line is UTF-8 when it
// is valid UTF-8, else Shift_JIS (CP932); a line written goes in CP932 when the file
// has such lines and the text has a CP932 form. A link is not followed (it reads as
// no file); a file that is not regular or is over MaxBytes is not read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nalo {

class IniDocument {
public:
    static constexpr uint64_t MaxBytes = uint64_t(1) << 20;

    // An empty document (a missing file reads the same).
    IniDocument() = default;
    // Reads `path` once; a missing or unreadable file gives an empty document.
    static IniDocument read(const std::string& path);

    // The file was over MaxBytes: it reads as empty and is never saved over.
    bool tooLarge() const { return tooLarge_; }

    // The value of `key` in `section` (UTF-8, unquoted, at most 255 characters); ""
    // when missing.
    std::string value(const std::string& section, const std::string& key) const;
    // Sets `key` in `section`; false (nothing changed) when the file is to be left
    // alone: too large, unreadable, or not a regular file.
    bool set(const std::string& section, const std::string& key, const std::string& value);
    // The whole file as it would be saved.
    const std::string& bytes() const { return bytes_; }

private:
    struct Entry {
        enum Kind : uint8_t { Section, Key } kind;
        size_t begin;       // first byte of the line
        size_t contentEnd;  // before the line's CR and LF bytes
        size_t end;         // after its LF (or the end of the file)
        std::string name;   // UTF-8
    };

    void parse();
    std::string decode(size_t begin, size_t end) const;
    std::string encodeLine(const std::string& utf8) const;
    long findSection(const std::string& section) const;
    size_t valueStart(const Entry& e) const;
    // Inserts `line` (its terminator added) at byte `at`, ending an unterminated last
    // line first.
    void insertLine(size_t at, const std::string& line);

    std::string bytes_;
    std::vector<Entry> entries_;  // section and key lines in file order
    size_t bodyStart_ = 0;        // after a UTF-8 byte-order mark
    bool hasCp932_ = false;  // some line is not UTF-8
    bool tooLarge_ = false;
    bool keep_ = false;  // not to be saved over
    std::string eol_ = "\n";  // of the first line
};

}  // namespace nalo

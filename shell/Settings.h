#pragma once
// The settings file Nalo.ini beside the executable, in the private-profile format:
// "[section]" lines followed by "key=value" lines. Sections and keys match without
// regard to ASCII case; values are cut at 255 characters (IniDocument). A file over
// IniDocument::MaxBytes is neither read nor written: the defaults apply.
#include <cstdint>
#include <optional>
#include <string>

#include "shell/IniDocument.h"

namespace nalo {

// application path + "/Nalo.ini", rebuilt on every call.
std::string IniPath();

// The value of `key` in `section` of `file`, "" when the file, section or key is missing.
std::string ReadIni(const std::string& section, const std::string& key, const std::string& file);

// Sets `key` in `section` of `file`, keeping every other line byte for byte. The file
// is replaced as a whole (new file renamed over the name, a link there replaced, not
// followed); a write that cannot be made (read-only file or folder, a file too large)
// is lost without a message. ApiResult gets 1 on success, 0 on failure. Returns "".
std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file);

// A settings number: the floor of the value, in 16 bits; nothing for text that is not
// a number or lies outside the 16-bit range.
std::optional<int16_t> ParseIniNumber(const std::string& text);

// The stored form of a number: a leading blank unless negative (" 20", "-1").
std::string FormatIniNumber(int16_t value);

// IniPath() is over IniDocument::MaxBytes (the start-up tells the user so once).
bool SettingsFileTooLarge();

// Load rules of the tool windows, over the file read once per load
// (IniDocument::read(IniPath())).
// Folder key: the stored folder when it exists, else the application path.
std::string LoadFolderKey(const IniDocument& ini, const std::string& section, const std::string& key);
// Number key: `fallback` when empty; an unreadable value leaves `variable` as it was.
void LoadNumberKey(const IniDocument& ini, const std::string& section, const std::string& key, int16_t fallback,
                   int16_t& variable);
// Text key: as stored.
std::string LoadTextKey(const IniDocument& ini, const std::string& section, const std::string& key);

// Save rules: folder and text as held, numbers with their sign position.
void SaveTextKey(const std::string& section, const std::string& key, const std::string& value);
void SaveNumberKey(const std::string& section, const std::string& key, int16_t value);
inline void SaveFolderKey(const std::string& section, const std::string& key, const std::string& folder) {
    SaveTextKey(section, key, folder);
}

}  // namespace nalo

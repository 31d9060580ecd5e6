// The settings file: a value read from the hostile file, then one key written and
// read back, with the other value unchanged by the write.
#include "fuzz/FuzzSupport.h"
#include "shell/Settings.h"

namespace nalo::fuzz {

void FuzzSettings(Input input) {
    const std::string path = scratchFile("Nalo.ini", input);
    const std::string before = ReadIni("TGAPCX", "Folder", path);
    touch(before.data(), before.size());
    ParseIniNumber(ReadIni("TGAPCX", "Kind", path));
    WriteIni("Fuzz", "Key", "42", path);
    require(ReadIni("fuzz", "KEY", path) == "42", "written value not read back");
    require(ReadIni("TGAPCX", "Folder", path) == before, "a write changed another key");
}

}  // namespace nalo::fuzz

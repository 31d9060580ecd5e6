#pragma once
// Which tool window each menu button opens.
#include <array>

#include "shell/ui/DialogService.h"

namespace nalo {

class ToolWindow;

using ToolFactory = ToolWindow* (*)(DialogService& dialogs);

struct ToolEntry {
    int index;            // Cmd_1 index on the menu
    ToolFactory factory;  // nullptr: the tool is not built yet (button disabled)
};

// One line per tool button of the menu.
const std::array<ToolEntry, 9>& toolRegistry();

}  // namespace nalo

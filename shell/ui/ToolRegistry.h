#pragma once
// The menu's tool buttons: one line per Cmd_1 index with the factory of its window.
// A tool whose window is not built yet has no factory; its button is disabled.
#include <span>

class QWidget;

namespace nalo {

class DialogService;

// Creates the tool window (top-level, not yet shown).
using ToolFactory = QWidget* (*)(DialogService& dialogs);

struct ToolEntry {
    int index;            // Cmd_1 index
    const char* caption;  // button caption
    ToolFactory factory;  // nullptr while the tool is not built
};

std::span<const ToolEntry> ToolTable();

}  // namespace nalo

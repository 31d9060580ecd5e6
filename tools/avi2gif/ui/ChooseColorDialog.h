#pragma once
// The colour dialog of the GIF tools, with the program's custom colours (greys to start
// with; the user's changes stay for the next call of the same owner).
#include <vector>

#include "shell/Colour.h"

class QWidget;

namespace nalo {

class DialogService;

// Greys from black to white, the custom colours the dialog starts with.
std::vector<ColourValue> greyCustomColours();

// The chosen colour, or -1 (as 0xFFFFFFFF) when cancelled.
ColourValue ChooseColorDialog(DialogService& dialogs, QWidget* owner, ColourValue initial, bool fullOpen,
                              std::vector<ColourValue>& customColours);

}  // namespace nalo

#include "tools/avi2gif/ui/ChooseColorDialog.h"

#include "shell/ui/DialogService.h"

namespace nalo {

std::vector<ColourValue> greyCustomColours() {
    std::vector<ColourValue> greys;
    for (int i = 0; i < 16; ++i) {
        auto v = static_cast<uint8_t>(i * 17);
        greys.push_back(rgb(v, v, v));
    }
    return greys;
}

ColourValue ChooseColorDialog(DialogService& dialogs, QWidget* owner, ColourValue initial, bool fullOpen,
                              std::vector<ColourValue>& customColours) {
    auto chosen = dialogs.chooseColour(owner, initial, customColours, fullOpen);
    return chosen ? *chosen : ClrInvalid;
}

}  // namespace nalo

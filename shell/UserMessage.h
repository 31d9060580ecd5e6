#pragma once
// A message the engine hands to its window to show: the text and the icon of the box.
#include <string>

namespace nalo {

enum class MessageIcon { None, Information, Critical };

struct UserMessage {
    std::string text;  // empty: nothing to show
    MessageIcon icon = MessageIcon::None;
};

}  // namespace nalo

// The demo game's screens as data: the UI module and layout tables of every screen (the battle
// map's in its own pair of tables), the menu screens' backgrounds with their headings and
// captions, and the image sets the widgets draw from, each button with its label. The character,
// gallery, replay and music-room tables go with them.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/GxImageSetFile.h"

namespace gxdemo {

// Adds the screens' files to files and their image sets to sets (path under the game folder,
// images).
void AddScreenFiles(std::map<std::string, std::string>& files,
                    std::vector<std::pair<std::string, std::vector<gxtest::UIImageSpec>>>& sets);

// The text of the back-log button's tool tip.
extern const char16_t* const kLogTipText;

}  // namespace gxdemo

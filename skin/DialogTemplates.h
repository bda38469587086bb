// The dialog resources of the installer as data: 130 the setup window, 173 the message box, 189
// the download information window.
#pragma once

#include "platform/Window.h"

namespace skin {

inline constexpr int kSetupDialogId = 130;
inline constexpr int kMessageBoxDialogId = 173;
inline constexpr int kInfoViewDialogId = 189;

// The template with this id, or null for an unknown id.
const platform::DialogTemplate* FindDialogTemplate(int id);

} // namespace skin

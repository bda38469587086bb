// Between the files of the own-drawn native controls: their colours, the shared helpers and the
// factories of the larger controls. Not for use outside platform/.
#pragma once

#include <functional>
#include <memory>

#include "platform/WindowInternal.h"

namespace platform::detail {

inline constexpr uint32_t kFace = 0xF0F0F0;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBorder = 0x7A7A7A;
inline constexpr uint32_t kLightBorder = 0xADADAD;
inline constexpr uint32_t kText = 0x000000;
inline constexpr uint32_t kDisabledText = 0x6D6D6D;
inline constexpr uint32_t kSelection = 0x0078D7;
inline constexpr uint32_t kHover = 0xE5F1FB;
inline constexpr uint32_t kPressed = 0xCCE4F7;
inline constexpr uint32_t kGrid = 0xE5E5E5;

inline const Font& FontOf(const ControlState& state) {
    return state.font ? *state.font : *DefaultGuiFont();
}

// Runs fn with window's control on the window thread when it is a T; fallback otherwise.
template <typename T, typename R>
R OnControl(WindowHandle window, R fallback, const std::function<R(T&)>& fn) {
    R result = fallback;
    WithControl(window, [&](NativeControl& control, ControlState&) {
        if (T* typed = dynamic_cast<T*>(&control)) {
            result = fn(*typed);
        }
    });
    return result;
}

std::unique_ptr<NativeControl> MakeEditControl(uint32_t style);
std::unique_ptr<NativeControl> MakeListBoxControl(uint32_t style);
std::unique_ptr<NativeControl> MakeListViewControl(uint32_t style);

} // namespace platform::detail

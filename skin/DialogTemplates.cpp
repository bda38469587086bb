#include "skin/DialogTemplates.h"

namespace skin {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

DialogTemplate MakeSetupDialog() {
    // A caption-less pop-up without controls of its own; the skin sizes it to its design size.
    DialogTemplate t;
    t.width = 622;
    t.height = 405;
    t.inPixels = true;
    return t;
}

DialogTemplate MakeMessageBoxDialog() {
    DialogTemplate t;
    t.width = 420;
    t.height = 210;
    t.inPixels = true;
    return t;
}

DialogTemplate MakeInfoViewDialog() {
    DialogTemplate t;
    t.width = 803;
    t.height = 410;
    t.caption = true;
    t.title = L"Dialog";
    t.fontFace = L"MS Shell Dlg";
    t.fontPoints = 8;
    constexpr uint32_t kVisible = platform::kControlVisible;
    constexpr uint32_t kBorder = platform::kControlBorder;
    t.controls = {
        ControlTemplate{ControlKind::ListView, 1001, 7, 45, 789, 358, L"", kVisible | kBorder},
        ControlTemplate{ControlKind::GroupBox, -1, 7, 7, 789, 396, L"Info :", kVisible},
        ControlTemplate{ControlKind::ListBox, 1005, 7, 43, 789, 360, L"",
                        kVisible | kBorder | platform::kControlVScroll},
        ControlTemplate{ControlKind::Button, 1006, 7, 24, 50, 14, L"Info", kVisible},
        ControlTemplate{ControlKind::Button, 1007, 66, 24, 50, 14, L"Log", kVisible},
    };
    return t;
}

} // namespace

const platform::DialogTemplate* FindDialogTemplate(int id) {
    static const DialogTemplate setup = MakeSetupDialog();
    static const DialogTemplate messageBox = MakeMessageBoxDialog();
    static const DialogTemplate infoView = MakeInfoViewDialog();
    switch (id) {
    case kSetupDialogId:
        return &setup;
    case kMessageBoxDialogId:
        return &messageBox;
    case kInfoViewDialogId:
        return &infoView;
    default:
        return nullptr;
    }
}

} // namespace skin

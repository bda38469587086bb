// Shortcuts and shell integration: shell link files on the desktop and in the Programs menus,
// and the icon refresh that makes the shell redraw them.
#pragma once

#include <string>

// Folder kinds of CreateShortcut.
inline constexpr int kShortcutPrograms = 2;       // the current user's Programs menu
inline constexpr int kShortcutCommonPrograms = 3; // the all users' Programs menu
inline constexpr int kShortcutDesktop = 4;        // the current user's desktop

// Writes folder-of-kind[\subFolder]\name.lnk pointing at target (a file path or a web address),
// replacing an existing link. The icon is iconPath when given, otherwise the target, index 0;
// arguments, working folder and description are set only when given; show command normal.
// E_POINTER without target or name, E_FAIL when the folder is missing or the save fails, else 0.
long CreateShortcut(const wchar_t* target, const wchar_t* workingFolder, const wchar_t* name,
                    int kind, const wchar_t* subFolder, const wchar_t* description,
                    const wchar_t* iconPath, const wchar_t* arguments);

// The user-interface texts one program's shortcuts are named and described with (strings 35,
// 36, 38, 46 and 47 of the current language).
struct ShortcutTexts {
    std::wstring uninstallApplication; // 35 "Uninstall Application"
    std::wstring application;          // 36 "Application"
    std::wstring homepage;             // 38 "Homepage"
    std::wstring productOnline;        // 46 "__PRODUCT_NAME__ Online"
    std::wstring uninstallProduct;     // 47 "Uninstall __PRODUCT_NAME__"
};

// One program's shortcuts: the desktop link (only with the desktop check box), then the
// program, its uninstaller and its home page in the current user's and in the all users'
// Programs menus, each group named after the shortcut name. Logs "Create DESKTOP Icons
// Finish." after the desktop link and "Create START_MENU Icons Finish." after the current
// user's group. Results of the single links are not examined.
void CreateShortcuts(const std::wstring& programFolder, const std::wstring& executablePath,
                     const std::wstring& uninstallerPath, const std::wstring& homePage,
                     const std::wstring& shortcutName, bool desktopShortcut,
                     const ShortcutTexts& texts);

// Makes the shell rebuild its icon cache: "Shell Icon Size" under the current user's key
// "Control Panel\Desktop\WindowMetrics" goes to size + 1 for 200 ms and back (a missing or invalid
// size counts as 32), with a settings-change broadcast after each change. The result of the last
// broadcast.
bool RefreshShellIcons();

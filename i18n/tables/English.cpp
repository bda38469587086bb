// English: the base table. Every language is loaded over it, so it must hold every id.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Download failed, please retry or download the offline installer from ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Click to Install"},
    {1, L"Custom"},
    {2, L"Accept"},
    {3, L"User License Agreement"},
    {4, L"Create a desktop shortcut"},
    {5, L"Create a Start Menu shortcut"},
    {6, L"Auto-run on System Startup"},
    {7, L"Join"},
    {8, L"User Experience Improvement Program"},
    {9, L"Start __PRODUCT_NAME__"},
    {10, L"Are you sure you want to quit __PRODUCT_NAME__ installation?"},
    {11, L"OK"},
    {12, L"Cancel"},
    {13, L"Cannot proceed with the installation as Tessaro is already running. Please close it to "
         L"try again or force close."},
    {14, L"Try Again"},
    {15, L"Force Close"},
    {16, L"Create a Quick Launch icon"},
    {17, L"Select a folder from the list below, and then click OK."},
    {18, L"What's new"},
    {19, L"Yes"},
    {20, L"No"},
    {21, L"Installing..."},
    {22, L"Are you sure you want to uninstall?"},
    {23, L"Uninstall"},
    {24, L"Keep my personal configurations."},
    {25, L"Uninstalling..."},
    {26, L"Uninstallation complete! Thanks for your support!"},
    {27, L"Finish"},
    {28, L"Windows XP is not suppoeted anymore."},
    {29, L"Windows Vista is not supported anymore."},
    {30, L"The installation path is invalid."},
    {31, L"There is not enough free space on the selected drive."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Uninstall"},
    {35, L"Uninstall Application"},
    {36, L"Application"},
    {37, L"Online"},
    {38, L"Homepage"},
    {39, L"You must restart your computer to install the new version. Are you sure to proceed?"},
    {40, L"Restart Now"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Downloading..."},
    {44, L"Checking data, please wait..."},
    {45, L"Gathering download information..."},
    {46, L"__PRODUCT_NAME__ Online"},
    {47, L"Uninstall __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kEnglishTable{kEntries};

} // namespace i18n

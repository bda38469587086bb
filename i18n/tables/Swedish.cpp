// Swedish.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Download failed, please retry or download the offline installer from ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Klicka för att installera"},
    {1, L"Anpassa"},
    {2, L"Godkänn"},
    {3, L"Licensavtal"},
    {4, L"Skapa en genväg på skrivbordet"},
    {5, L"Skapa en genväg på Start-menyn"},
    {6, L"Starta automatiskt vid systemstart"},
    {7, L"Gå med"},
    {8, L"Program för förbättrad användarupplevelse"},
    {9, L"Starta __PRODUCT_NAME__"},
    {10, L"Vill du verkligen avbryta installationen av __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Avbryt"},
    {13, L"Installationen kan inte fortsätta eftersom __PRODUCT_NAME__ redan körs. Stäng "
         L"programmet och försök igen, eller tvinga det att stängas."},
    {14, L"Försök igen"},
    {15, L"Tvinga stängning"},
    {16, L"Skapa en snabbstartsikon"},
    {17, L"Välj en mapp i listan nedan och klicka sedan på OK."},
    {18, L"Nyheter"},
    {19, L"Ja"},
    {20, L"Nej"},
    {21, L"Installing..."},
    {22, L"Vill du verkligen avinstallera?"},
    {23, L"Avinstallera"},
    {24, L"Behåll mina personliga inställningar."},
    {25, L"Avinstallerar..."},
    {26, L"Avinstallationen är klar! Tack för ditt stöd!"},
    {27, L"Slutför"},
    {28, L"Windows XP stöds inte längre."},
    {29, L"Windows Vista stöds inte längre."},
    {30, L"Installationssökvägen är ogiltig."},
    {31, L"Det finns inte tillräckligt med ledigt utrymme på den valda enheten."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Avinstallera"},
    {35, L" Uninstall Application"},
    {36, L" Application"},
    {37, L" Online"},
    {38, L" Homepage"},
    {39, L"You must restart your computer to install the new version. Are you sure to proceed?"},
    {40, L"Restart Now"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Downloading..."},
    {44, L"Checking data, please wait..."},
    {45, L"Gathering download information..."},
    {46, L"__PRODUCT_NAME__ Online"},
    {47, L"Avinstallera __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kSwedishTable{kEntries};

} // namespace i18n

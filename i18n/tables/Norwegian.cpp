// Norwegian (bokmål and nynorsk both use this table).
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Download failed, please retry or download the offline installer from ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Klikk for å installere"},
    {1, L"Tilpass"},
    {2, L"Godta"},
    {3, L"Lisensavtale"},
    {4, L"Opprett snarvei på skrivebordet"},
    {5, L"Opprett snarvei på Start-menyen"},
    {6, L"Kjør automatisk ved oppstart"},
    {7, L"Bli med"},
    {8, L"Program for forbedring av brukeropplevelsen"},
    {9, L"Kjør __PRODUCT_NAME__"},
    {10, L"Er du sikker på at du vil avbryte installasjonen av __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Avbryt"},
    {13, L"Installasjonen kan ikke fortsette fordi __PRODUCT_NAME__ allerede kjører. Lukk "
         L"programmet og prøv igjen, eller tving det til å lukkes."},
    {14, L"Prøv igjen"},
    {15, L"Tving lukking"},
    {16, L"Opprett et hurtigstartikon"},
    {17, L"Velg en mappe fra listen nedenfor, og klikk deretter OK."},
    {18, L"Nyheter"},
    {19, L"Ja"},
    {20, L"Nei"},
    {21, L"Installing..."},
    {22, L"Er du sikker på at du vil avinstallere?"},
    {23, L"Avinstaller"},
    {24, L"Behold mine personlige innstillinger."},
    {25, L"Avinstallerer..."},
    {26, L"Avinstalleringen er fullført! Takk for støtten!"},
    {27, L"Fullfør"},
    {28, L"Windows XP støttes ikke lenger."},
    {29, L"Windows Vista støttes ikke lenger."},
    {30, L"Installasjonsbanen er ugyldig."},
    {31, L"Det er ikke nok ledig plass på den valgte stasjonen."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Avinstaller"},
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
    {47, L"Avinstaller __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kNorwegianTable{kEntries};

} // namespace i18n

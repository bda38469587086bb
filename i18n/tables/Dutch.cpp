// Dutch.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Download failed, please retry or download the offline installer from ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Klik om te installeren"},
    {1, L"Aangepast"},
    {2, L"Accepteren"},
    {3, L"Gebruiksrechtovereenkomst"},
    {4, L"Snelkoppeling op het bureaublad maken"},
    {5, L"Snelkoppeling in het menu Start maken"},
    {6, L"Automatisch starten bij het opstarten van het systeem"},
    {7, L"Deelnemen"},
    {8, L"Programma voor verbetering van de gebruikerservaring"},
    {9, L"__PRODUCT_NAME__ starten"},
    {10, L"Weet u zeker dat u de installatie van __PRODUCT_NAME__ wilt afbreken?"},
    {11, L"Oké"},
    {12, L"Annuleren"},
    {13, L"De installatie kan niet doorgaan omdat __PRODUCT_NAME__ al actief is. Sluit het "
         L"programma en probeer het opnieuw, of forceer het afsluiten."},
    {14, L"Opnieuw proberen"},
    {15, L"Geforceerd afsluiten"},
    {16, L"Pictogram voor Snel starten maken"},
    {17, L"Selecteer een map in de onderstaande lijst en klik op Oké."},
    {18, L"Wat is er nieuw"},
    {19, L"Ja"},
    {20, L"Nee"},
    {21, L"Installing..."},
    {22, L"Weet u zeker dat u het programma wilt verwijderen?"},
    {23, L"Verwijderen"},
    {24, L"Mijn persoonlijke instellingen behouden."},
    {25, L"Bezig met verwijderen..."},
    {26, L"Verwijderen voltooid! Bedankt voor uw steun!"},
    {27, L"Voltooien"},
    {28, L"Windows XP wordt niet meer ondersteund."},
    {29, L"Windows Vista wordt niet meer ondersteund."},
    {30, L"Het installatiepad is ongeldig."},
    {31, L"Er is onvoldoende vrije ruimte op het geselecteerde station."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Verwijderen"},
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
    {47, L"__PRODUCT_NAME__ verwijderen"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kDutchTable{kEntries};

} // namespace i18n

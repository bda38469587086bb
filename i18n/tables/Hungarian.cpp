// Hungarian.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Download failed, please retry or download the offline installer from ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Kattintson a telepítéshez"},
    {1, L"Egyéni"},
    {2, L"Elfogadom"},
    {3, L"Felhasználói licencszerződés"},
    {4, L"Parancsikon létrehozása az asztalon"},
    {5, L"Parancsikon létrehozása a Start menüben"},
    {6, L"Automatikus indítás a rendszer indulásakor"},
    {7, L"Csatlakozom"},
    {8, L"Felhasználói élmény javítását célzó program"},
    {9, L"A(z) __PRODUCT_NAME__ indítása"},
    {10, L"Biztosan kilép a(z) __PRODUCT_NAME__ telepítéséből?"},
    {11, L"OK"},
    {12, L"Mégse"},
    {13, L"A telepítés nem folytatható, mert a(z) __PRODUCT_NAME__ már fut. Zárja be, majd "
         L"próbálja újra, vagy kényszerítse ki a bezárását."},
    {14, L"Újrapróbálkozás"},
    {15, L"Bezárás kényszerítése"},
    {16, L"Gyorsindító ikon létrehozása"},
    {17, L"Válasszon egy mappát az alábbi listából, majd kattintson az OK gombra."},
    {18, L"Újdonságok"},
    {19, L"Igen"},
    {20, L"Nem"},
    {21, L"Installing..."},
    {22, L"Biztosan el szeretné távolítani?"},
    {23, L"Eltávolítás"},
    {24, L"Személyes beállításaim megtartása."},
    {25, L"Eltávolítás folyamatban..."},
    {26, L"Az eltávolítás befejeződött! Köszönjük a támogatását!"},
    {27, L"Befejezés"},
    {28, L"A Windows XP már nem támogatott."},
    {29, L"A Windows Vista már nem támogatott."},
    {30, L"A telepítési útvonal érvénytelen."},
    {31, L"Nincs elég szabad hely a kiválasztott meghajtón."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Eltávolítás"},
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
    {47, L"A(z) __PRODUCT_NAME__ eltávolítása"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kHungarianTable{kEntries};

} // namespace i18n

// Czech.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed = EndWithFamilyWebHost(
    L"Stahování se nezdařilo. Zkuste to znovu, nebo si stáhněte offline instalátor z webu ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Klikněte pro instalaci"},
    {1, L"Vlastní"},
    {2, L"Přijmout"},
    {3, L"Uživatelská licenční smlouva"},
    {4, L"Vytvořit zástupce na ploše"},
    {5, L"Vytvořit zástupce v nabídce Start"},
    {6, L"Spouštět při startu systému"},
    {7, L"Zapojit se"},
    {8, L"Program zlepšování uživatelské zkušenosti"},
    {9, L"Spustit __PRODUCT_NAME__"},
    {10, L"Opravdu chcete ukončit instalaci aplikace __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Zrušit"},
    {13, L"V instalaci nelze pokračovat, protože aplikace __PRODUCT_NAME__ je spuštěná. Zavřete "
         L"ji a zkuste to znovu, nebo vynuťte její ukončení."},
    {14, L"Zkusit znovu"},
    {15, L"Vynutit ukončení"},
    {16, L"Vytvořit ikonu na panelu Snadné spuštění"},
    {17, L"Vyberte složku ze seznamu níže a klikněte na tlačítko OK."},
    {18, L"Novinky"},
    {19, L"Ano"},
    {20, L"Ne"},
    {21, L"Installing..."},
    {22, L"Opravdu chcete provést odinstalaci?"},
    {23, L"Odinstalovat"},
    {24, L"Zachovat moje osobní nastavení."},
    {25, L"Probíhá odinstalace..."},
    {26, L"Odinstalace je dokončena! Děkujeme za vaši podporu!"},
    {27, L"Dokončit"},
    {28, L"Systém Windows XP již není podporován."},
    {29, L"Systém Windows Vista již není podporován."},
    {30, L"Cesta pro instalaci je neplatná."},
    {31, L"Na vybrané jednotce není dostatek volného místa."},
    {32, L"Jejda! Tato verze aplikace __PRODUCT_NAME__ funguje pouze v 64bitovém operačním "
         L"systému. Stáhněte si a nainstalujte 32bitovou verzi."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Odinstalovat"},
    {35, L"Odinstalovat aplikaci"},
    {36, L"Aplikace"},
    {37, L"Online"},
    {38, L"Domovská stránka"},
    {39, L"Pro instalaci nové verze je nutné restartovat počítač. Opravdu chcete pokračovat?"},
    {40, L"Restartovat nyní"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Stahování..."},
    {44, L"Kontrola dat, čekejte prosím..."},
    {45, L"Získávání informací o stahování..."},
    {46, L"__PRODUCT_NAME__ Online"},
    {47, L"Odinstalovat __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kCzechTable{kEntries};

} // namespace i18n

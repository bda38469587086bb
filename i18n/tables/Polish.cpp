// Polish.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed = EndWithFamilyWebHost(
    L"Pobieranie nie powiodło się. Spróbuj ponownie lub pobierz instalator offline ze strony ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Kliknij, aby zainstalować"},
    {1, L"Dostosuj"},
    {2, L"Akceptuję"},
    {3, L"Umowa licencyjna użytkownika"},
    {4, L"Utwórz skrót na pulpicie"},
    {5, L"Utwórz skrót w menu Start"},
    {6, L"Uruchamiaj przy starcie systemu"},
    {7, L"Dołącz"},
    {8, L"Program poprawy komfortu użytkowania"},
    {9, L"Uruchom __PRODUCT_NAME__"},
    {10, L"Czy na pewno chcesz przerwać instalację programu __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Anuluj"},
    {13, L"Nie można kontynuować instalacji, ponieważ program __PRODUCT_NAME__ jest uruchomiony. "
         L"Zamknij go i spróbuj ponownie lub wymuś zamknięcie."},
    {14, L"Spróbuj ponownie"},
    {15, L"Wymuś zamknięcie"},
    {16, L"Utwórz ikonę paska Szybkie uruchamianie"},
    {17, L"Wybierz folder z poniższej listy, a następnie kliknij OK."},
    {18, L"Co nowego"},
    {19, L"Tak"},
    {20, L"Nie"},
    {21, L"Installing..."},
    {22, L"Czy na pewno chcesz odinstalować program?"},
    {23, L"Odinstaluj"},
    {24, L"Zachowaj moje ustawienia osobiste."},
    {25, L"Odinstalowywanie..."},
    {26, L"Odinstalowywanie zakończone! Dziękujemy za wsparcie!"},
    {27, L"Zakończ"},
    {28, L"System Windows XP nie jest już obsługiwany."},
    {29, L"System Windows Vista nie jest już obsługiwany."},
    {30, L"Ścieżka instalacji jest nieprawidłowa."},
    {31, L"Na wybranym dysku jest za mało wolnego miejsca."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Odinstaluj"},
    {35, L" Uninstall Application"},
    {36, L" Application"},
    {37, L" Online"},
    {38, L" Homepage"},
    {39, L"Aby zainstalować nową wersję, musisz ponownie uruchomić komputer. Czy na pewno chcesz "
         L"kontynuować?"},
    {40, L"Uruchom ponownie teraz"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Pobieranie..."},
    {44, L"Sprawdzanie danych, proszę czekać..."},
    {45, L"Zbieranie informacji o pobieraniu..."},
    {46, L"__PRODUCT_NAME__ w internecie"},
    {47, L"Odinstaluj __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kPolishTable{kEntries};

} // namespace i18n

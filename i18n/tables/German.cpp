// German.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Der Download ist fehlgeschlagen. Versuchen Sie es erneut, oder laden "
                         L"Sie das Offline-Installationsprogramm hier herunter: ");
constexpr auto kInstallerOutOfDate =
    EndWithFamilyWebHost(L"Das Online-Installationsprogramm ist veraltet. Die neueste Version "
                         L"erhalten Sie unter ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Zum Installieren klicken"},
    {1, L"Anpassen"},
    {2, L"Akzeptieren"},
    {3, L"Lizenzvereinbarung"},
    {4, L"Verknüpfung auf dem Desktop erstellen"},
    {5, L"Verknüpfung im Startmenü erstellen"},
    {6, L"Beim Systemstart automatisch ausführen"},
    {7, L"Teilnehmen"},
    {8, L"Programm zur Verbesserung der Benutzerfreundlichkeit"},
    {9, L"__PRODUCT_NAME__ starten"},
    {10, L"Möchten Sie die Installation von __PRODUCT_NAME__ wirklich beenden?"},
    {11, L"OK"},
    {12, L"Abbrechen"},
    {13, L"Die Installation kann nicht fortgesetzt werden, da __PRODUCT_NAME__ bereits ausgeführt "
         L"wird. Schließen Sie das Programm, um es erneut zu versuchen, oder erzwingen Sie das "
         L"Schließen."},
    {14, L"Erneut versuchen"},
    {15, L"Schließen erzwingen"},
    {16, L"Symbol in der Schnellstartleiste erstellen"},
    {17, L"Wählen Sie einen Ordner aus der Liste unten aus, und klicken Sie dann auf OK."},
    {18, L"Neuigkeiten"},
    {19, L"Ja"},
    {20, L"Nein"},
    {21, L"Installing..."},
    {22, L"Möchten Sie das Programm wirklich deinstallieren?"},
    {23, L"Deinstallieren"},
    {24, L"Meine persönlichen Einstellungen behalten."},
    {25, L"Deinstallation läuft..."},
    {26, L"Deinstallation abgeschlossen! Vielen Dank für Ihre Unterstützung!"},
    {27, L"Fertig stellen"},
    {28, L"Windows XP wird nicht mehr unterstützt."},
    {29, L"Windows Vista wird nicht mehr unterstützt."},
    {30, L"Der Installationspfad ist ungültig."},
    {31, L"Auf dem ausgewählten Laufwerk ist nicht genügend freier Speicherplatz vorhanden."},
    {32, L"Hoppla! Diese Version von __PRODUCT_NAME__ läuft nur unter einem 64-Bit-Betriebssystem. "
         L"Bitte laden Sie die 32-Bit-Version herunter, und installieren Sie sie."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Deinstallieren"},
    {35, L"Anwendung deinstallieren"},
    {36, L"Anwendung"},
    {37, L"Online"},
    {38, L"Startseite"},
    {39, L"Sie müssen den Computer neu starten, um die neue Version zu installieren. Möchten Sie "
         L"fortfahren?"},
    {40, L"Jetzt neu starten"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Wird heruntergeladen..."},
    {44, L"Daten werden überprüft, bitte warten..."},
    {45, L"Downloadinformationen werden abgerufen..."},
    {46, L"__PRODUCT_NAME__ im Internet"},
    {47, L"__PRODUCT_NAME__ deinstallieren"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kGermanTable{kEntries};

} // namespace i18n

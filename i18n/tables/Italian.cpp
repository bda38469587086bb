// Italian.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed = EndWithFamilyWebHost(
    L"Download non riuscito. Riprova oppure scarica il programma di installazione offline da ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Fai clic per installare"},
    {1, L"Personalizza"},
    {2, L"Accetto"},
    {3, L"Contratto di licenza utente"},
    {4, L"Crea un collegamento sul desktop"},
    {5, L"Crea un collegamento nel menu Start"},
    {6, L"Esegui all'avvio del sistema"},
    {7, L"Partecipa"},
    {8, L"Programma di miglioramento dell'esperienza utente"},
    {9, L"Avvia __PRODUCT_NAME__"},
    {10, L"Vuoi davvero uscire dall'installazione di __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Annulla"},
    {13, L"Impossibile proseguire con l'installazione perché __PRODUCT_NAME__ è in esecuzione. "
         L"Chiudilo per riprovare oppure forzane la chiusura."},
    {14, L"Riprova"},
    {15, L"Forza chiusura"},
    {16, L"Crea un'icona di avvio veloce"},
    {17, L"Seleziona una cartella dall'elenco sottostante, quindi fai clic su OK."},
    {18, L"Novità"},
    {19, L"Sì"},
    {20, L"No"},
    {21, L"Installing..."},
    {22, L"Vuoi davvero disinstallare?"},
    {23, L"Disinstalla"},
    {24, L"Mantieni le mie impostazioni personali."},
    {25, L"Disinstallazione in corso..."},
    {26, L"Disinstallazione completata! Grazie per il tuo supporto!"},
    {27, L"Fine"},
    {28, L"Windows XP non è più supportato."},
    {29, L"Windows Vista non è più supportato."},
    {30, L"Il percorso di installazione non è valido."},
    {31, L"Spazio libero insufficiente sull'unità selezionata."},
    {32, L"Spiacenti! Questa versione di __PRODUCT_NAME__ funziona solo su sistemi operativi a "
         L"64 bit. Scarica e installa la versione a 32 bit."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Disinstalla"},
    {35, L" Disinstalla applicazione"},
    {36, L" Applicazione"},
    {37, L" Online"},
    {38, L" Home page"},
    {39, L"Per installare la nuova versione è necessario riavviare il computer. Vuoi continuare?"},
    {40, L"Restart Now"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Download in corso..."},
    {44, L"Verifica dei dati in corso, attendere..."},
    {45, L"Raccolta delle informazioni di download..."},
    {46, L"Sito web di __PRODUCT_NAME__"},
    {47, L"Disinstalla __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kItalianTable{kEntries};

} // namespace i18n

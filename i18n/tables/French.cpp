// French. A no-break space (U+00A0) stands before "?" and "!", as French typography wants, so
// that the mark never wraps onto a line of its own.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Échec du téléchargement. Réessayez ou téléchargez le programme "
                         L"d'installation hors ligne sur ");
constexpr auto kInstallerOutOfDate =
    EndWithFamilyWebHost(L"Ce programme d'installation en ligne est obsolète. Téléchargez la "
                         L"dernière version sur ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Cliquez pour installer"},
    {1, L"Personnaliser"},
    {2, L"Accepter"},
    {3, L"Contrat de licence utilisateur"},
    {4, L"Créer un raccourci sur le bureau"},
    {5, L"Créer un raccourci dans le menu Démarrer"},
    {6, L"Lancer au démarrage du système"},
    {7, L"Participer"},
    {8, L"Programme d'amélioration de l'expérience utilisateur"},
    {9, L"Lancer __PRODUCT_NAME__"},
    {10, L"Voulez-vous vraiment quitter l'installation de __PRODUCT_NAME__\u00A0?"},
    {11, L"OK"},
    {12, L"Annuler"},
    {13, L"Impossible de poursuivre l'installation, car __PRODUCT_NAME__ est en cours "
         L"d'exécution. Fermez-le pour réessayer ou forcez sa fermeture."},
    {14, L"Réessayer"},
    {15, L"Forcer la fermeture"},
    {16, L"Créer une icône de lancement rapide"},
    {17, L"Sélectionnez un dossier dans la liste ci-dessous, puis cliquez sur OK."},
    {18, L"Nouveautés"},
    {19, L"Oui"},
    {20, L"Non"},
    {21, L"Installing..."},
    {22, L"Voulez-vous vraiment désinstaller\u00A0?"},
    {23, L"Désinstaller"},
    {24, L"Conserver mes paramètres personnels."},
    {25, L"Désinstallation en cours..."},
    {26, L"Désinstallation terminée\u00A0! Merci de votre soutien\u00A0!"},
    {27, L"Terminer"},
    {28, L"Windows XP n'est plus pris en charge."},
    {29, L"Windows Vista n'est plus pris en charge."},
    {30, L"Le chemin d'installation n'est pas valide."},
    {31, L"L'espace libre sur le lecteur sélectionné est insuffisant."},
    {32, L"Oups\u00A0! Cette version de __PRODUCT_NAME__ ne fonctionne que sur un système "
         L"d'exploitation 64 bits. Veuillez télécharger et installer la version 32 bits."},
    {33, L"__PRODUCT_NAME__ ne fonctionne actuellement que sur Windows 64 bits."},
    {34, L"Désinstaller"},
    {35, L" Désinstaller l'application"},
    {36, L" Application"},
    {37, L" En ligne"},
    {38, L" Page d'accueil"},
    {39, L"Vous devez redémarrer l'ordinateur pour installer la nouvelle version. Voulez-vous "
         L"continuer\u00A0?"},
    {40, L"Redémarrer maintenant"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Téléchargement en cours..."},
    {44, L"Vérification des données, veuillez patienter..."},
    {45, L"Collecte des informations de téléchargement..."},
    {46, L"__PRODUCT_NAME__ en ligne"},
    {47, L"Désinstaller __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kFrenchTable{kEntries};

} // namespace i18n

// Spanish, also used for Catalan.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed = EndWithFamilyWebHost(
    L"Error en la descarga. Vuelva a intentarlo o descargue el instalador sin conexión desde ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Haga clic para instalar"},
    {1, L"Personalizar"},
    {2, L"Acepto"},
    {3, L"Acuerdo de licencia de usuario"},
    {4, L"Crear un acceso directo en el escritorio"},
    {5, L"Crear un acceso directo en el menú Inicio"},
    {6, L"Ejecutar al iniciar el sistema"},
    {7, L"Unirse"},
    {8, L"Programa de mejora de la experiencia del usuario"},
    {9, L"Iniciar __PRODUCT_NAME__"},
    {10, L"¿Seguro que desea salir de la instalación de __PRODUCT_NAME__?"},
    {11, L"Aceptar"},
    {12, L"Cancelar"},
    {13, L"No se puede continuar con la instalación porque __PRODUCT_NAME__ ya se está "
         L"ejecutando. Ciérrelo para volver a intentarlo o fuerce el cierre."},
    {14, L"Reintentar"},
    {15, L"Forzar cierre"},
    {16, L"Crear un icono de inicio rápido"},
    {17, L"Seleccione una carpeta de la lista siguiente y haga clic en Aceptar."},
    {18, L"Novedades"},
    {19, L"Sí"},
    {20, L"No"},
    {21, L"Installing..."},
    {22, L"¿Seguro que desea desinstalar?"},
    {23, L"Desinstalar"},
    {24, L"Conservar mi configuración personal."},
    {25, L"Desinstalando..."},
    {26, L"¡Desinstalación completada! ¡Gracias por su apoyo!"},
    {27, L"Finalizar"},
    {28, L"Windows XP ya no es compatible."},
    {29, L"Windows Vista ya no es compatible."},
    {30, L"La ruta de instalación no es válida."},
    {31, L"No hay suficiente espacio libre en la unidad seleccionada."},
    {32, L"¡Vaya! Esta versión de __PRODUCT_NAME__ solo funciona en sistemas operativos de 64 "
         L"bits. Descargue e instale la versión de 32 bits."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Desinstalar"},
    {35, L" Desinstalar aplicación"},
    {36, L" Aplicación"},
    {37, L" En línea"},
    {38, L" Página de inicio"},
    {39, L"Debe reiniciar el equipo para instalar la nueva versión. ¿Seguro que desea continuar?"},
    {40, L"Reiniciar ahora"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Descargando..."},
    {44, L"Comprobando los datos, espere..."},
    {45, L"Recopilando información de descarga..."},
    {46, L"__PRODUCT_NAME__ en línea"},
    {47, L"Desinstalar __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kSpanishTable{kEntries};

} // namespace i18n

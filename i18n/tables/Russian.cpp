// Russian. Texts 2 and 3, and 7 and 8, stand side by side in the window (check box, then link)
// and are worded to read as one phrase.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Не удалось выполнить загрузку. Повторите попытку или скачайте "
                         L"автономный установщик с сайта ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Нажмите для установки"},
    {1, L"Настроить"},
    {2, L"Принимаю"},
    {3, L"лицензионное соглашение"},
    {4, L"Создать ярлык на рабочем столе"},
    {5, L"Создать ярлык в меню «Пуск»"},
    {6, L"Запускать при загрузке системы"},
    {7, L"Участвовать в"},
    {8, L"программе улучшения пользовательского опыта"},
    {9, L"Запустить __PRODUCT_NAME__"},
    {10, L"Вы действительно хотите прервать установку __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Отмена"},
    {13, L"Невозможно продолжить установку, так как программа __PRODUCT_NAME__ уже запущена. "
         L"Закройте её и повторите попытку или завершите принудительно."},
    {14, L"Повторить"},
    {15, L"Закрыть принудительно"},
    {16, L"Создать значок на панели быстрого запуска"},
    {17, L"Выберите папку из списка ниже и нажмите «OK»."},
    {18, L"Что нового"},
    {19, L"Да"},
    {20, L"Нет"},
    {21, L"Installing..."},
    {22, L"Вы действительно хотите удалить программу?"},
    {23, L"Удалить"},
    {24, L"Сохранить мои личные настройки."},
    {25, L"Удаление..."},
    {26, L"Удаление завершено! Спасибо за поддержку!"},
    {27, L"Готово"},
    {28, L"Windows XP больше не поддерживается."},
    {29, L"Windows Vista больше не поддерживается."},
    {30, L"Недопустимый путь установки."},
    {31, L"На выбранном диске недостаточно свободного места."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Uninstall"},
    {35, L" Uninstall Application"},
    {36, L" Application"},
    {37, L" Online"},
    {38, L" Homepage"},
    {39, L"Для установки новой версии необходимо перезагрузить компьютер. Продолжить?"},
    {40, L"Перезагрузить сейчас"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Загрузка..."},
    {44, L"Проверка данных, подождите..."},
    {45, L"Получение сведений о загрузке..."},
    {46, L"__PRODUCT_NAME__ в Интернете"},
    {47, L"Удалить __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kRussianTable{kEntries};

} // namespace i18n

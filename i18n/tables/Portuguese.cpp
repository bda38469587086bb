// Portuguese (Brazil and Portugal both use this table). Texts 39 and 40 are listed twice: first
// in English, then translated; the later entry is the one that counts.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"Falha no download. Tente novamente ou baixe o instalador offline em ");
constexpr auto kInstallerOutOfDate = EndWithFamilyWebHost(
    L"The Online Installer is out of date, please download the latest version at ");

constexpr UiTextEntry kEntries[] = {
    {0, L"Clique para instalar"},
    {1, L"Personalizar"},
    {2, L"Aceito"},
    {3, L"Contrato de licença do usuário"},
    {4, L"Criar atalho na área de trabalho"},
    {5, L"Criar atalho no menu Iniciar"},
    {6, L"Executar ao iniciar o sistema"},
    {7, L"Participar"},
    {8, L"Programa de melhoria da experiência do usuário"},
    {9, L"Iniciar __PRODUCT_NAME__"},
    {10, L"Tem certeza de que deseja sair da instalação do __PRODUCT_NAME__?"},
    {11, L"OK"},
    {12, L"Cancelar"},
    {13, L"Não é possível prosseguir com a instalação porque o __PRODUCT_NAME__ já está em "
         L"execução. Feche-o para tentar novamente ou force o fechamento."},
    {14, L"Tentar novamente"},
    {15, L"Forçar fechamento"},
    {16, L"Criar ícone de Inicialização Rápida"},
    {17, L"Selecione uma pasta na lista abaixo e clique em OK."},
    {18, L"Novidades"},
    {19, L"Sim"},
    {20, L"Não"},
    {21, L"Installing..."},
    {22, L"Tem certeza de que deseja desinstalar?"},
    {23, L"Desinstalar"},
    {24, L"Manter minhas configurações pessoais."},
    {25, L"Desinstalando..."},
    {26, L"Desinstalação concluída! Obrigado pelo seu apoio!"},
    {27, L"Concluir"},
    {28, L"O Windows XP não é mais suportado."},
    {29, L"O Windows Vista não é mais suportado."},
    {30, L"O caminho de instalação é inválido."},
    {31, L"Não há espaço livre suficiente na unidade selecionada."},
    {32, L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. Please "
         L"download and install the 32-bit version."},
    {33, L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only."},
    {34, L"Desinstalar"},
    {35, L" Uninstall Application"},
    {36, L" Application"},
    {37, L" Online"},
    {38, L" Homepage"},
    {39, L"You must restart your computer to install the new version. Are you sure to proceed?"},
    {40, L"Restart Now"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"Baixando..."},
    {44, L"Verificando os dados, aguarde..."},
    {45, L"Obtendo informações de download..."},
    {46, L"__PRODUCT_NAME__ na Web"},
    {47, L"Desinstalar __PRODUCT_NAME__"},
    {48, L"Launch"},
    {39, L"É necessário reiniciar o computador para instalar a nova versão. Deseja continuar?"},
    {40, L"Reiniciar agora"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kPortugueseTable{kEntries};

} // namespace i18n

// Chinese (simplified): the sub-languages whose identifier carries the bits 0x0800.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"下载失败，请重试，或从以下网站下载离线安装程序：");
constexpr auto kInstallerOutOfDate =
    EndWithFamilyWebHost(L"在线安装程序已过期，请从以下网站下载最新版本：");

constexpr UiTextEntry kEntries[] = {
    {0, L"立即安装"},
    {1, L"自定义"},
    {2, L"接受"},
    {3, L"用户许可协议"},
    {4, L"创建桌面快捷方式"},
    {5, L"创建“开始”菜单快捷方式"},
    {6, L"开机时自动运行"},
    {7, L"加入"},
    {8, L"用户体验改进计划"},
    {9, L"启动 __PRODUCT_NAME__"},
    {10, L"确定要退出 __PRODUCT_NAME__ 的安装吗？"},
    {11, L"确定"},
    {12, L"取消"},
    {13, L"__PRODUCT_NAME__ 正在运行，无法继续安装。请先将其关闭后重试，或强制关闭。"},
    {14, L"重试"},
    {15, L"强制关闭"},
    {16, L"创建快速启动栏图标"},
    {17, L"请从下面的列表中选择一个文件夹，然后单击“确定”。"},
    {18, L"新功能"},
    {19, L"是"},
    {20, L"否"},
    {21, L"Installing..."},
    {22, L"确定要卸载吗？"},
    {23, L"卸载"},
    {24, L"保留我的个人配置。"},
    {25, L"正在卸载..."},
    {26, L"卸载完成！感谢您的支持！"},
    {27, L"完成"},
    {28, L"已不再支持 Windows XP。"},
    {29, L"已不再支持 Windows Vista。"},
    {30, L"安装路径无效。"},
    {31, L"所选驱动器的可用空间不足。"},
    {32, L"抱歉！此版本的 __PRODUCT_NAME__ 仅适用于 64 位操作系统，请下载并安装 32 位版本。"},
    {33, L"__PRODUCT_NAME__ 目前仅支持 64 位 Windows 操作系统。"},
    {34, L"卸载"},
    {35, L"卸载应用程序"},
    {36, L"应用程序"},
    {37, L"在线"},
    {38, L"主页"},
    {39, L"必须重新启动计算机才能安装新版本。确定要继续吗？"},
    {40, L"立即重启"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"正在下载..."},
    {44, L"正在校验数据，请稍候..."},
    {45, L"正在获取下载信息..."},
    {46, L"__PRODUCT_NAME__ 官方网站"},
    {47, L"卸载 __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kChineseSimplifiedTable{kEntries};

} // namespace i18n

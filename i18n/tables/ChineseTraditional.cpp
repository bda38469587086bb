// Chinese (traditional): Taiwan, Hong Kong, Singapore and every other Chinese sub-language whose
// identifier does not carry the simplified bits.
#include "i18n/StringTable.h"

namespace i18n {
namespace {

constexpr auto kDownloadFailed =
    EndWithFamilyWebHost(L"下載失敗，請重試，或從以下網站下載離線安裝程式：");
constexpr auto kInstallerOutOfDate =
    EndWithFamilyWebHost(L"線上安裝程式已過期，請從以下網站下載最新版本：");

constexpr UiTextEntry kEntries[] = {
    {0, L"立即安裝"},
    {1, L"自訂"},
    {2, L"接受"},
    {3, L"用戶授權協議"},
    {4, L"建立桌面捷徑"},
    {5, L"建立「開始」功能表捷徑"},
    {6, L"開機時自動執行"},
    {7, L"加入"},
    {8, L"用戶體驗改善計劃"},
    {9, L"啟動 __PRODUCT_NAME__"},
    {10, L"確定要結束 __PRODUCT_NAME__ 的安裝嗎？"},
    {11, L"確定"},
    {12, L"取消"},
    {13, L"__PRODUCT_NAME__ 正在執行，無法繼續安裝。請先將其關閉後重試，或強制關閉。"},
    {14, L"重試"},
    {15, L"強制關閉"},
    {16, L"建立快速啟動圖示"},
    {17, L"請從下列清單中選取資料夾，然後按一下「確定」。"},
    {18, L"新功能"},
    {19, L"是"},
    {20, L"否"},
    {21, L"Installing..."},
    {22, L"確定要解除安裝嗎？"},
    {23, L"解除安裝"},
    {24, L"保留我的個人設定。"},
    {25, L"正在解除安裝..."},
    {26, L"解除安裝完成！感謝您的支持！"},
    {27, L"完成"},
    {28, L"已不再支援 Windows XP。"},
    {29, L"已不再支援 Windows Vista。"},
    {30, L"安裝路徑無效。"},
    {31, L"所選磁碟機的可用空間不足。"},
    {32, L"抱歉！此版本的 __PRODUCT_NAME__ 僅適用於 64 位元作業系統，請下載並安裝 32 位元版本。"},
    {33, L"__PRODUCT_NAME__ 目前僅支援 64 位元 Windows 作業系統。"},
    {34, L"解除安裝"},
    {35, L"解除安裝應用程式"},
    {36, L"應用程式"},
    {37, L"線上"},
    {38, L"首頁"},
    {39, L"必須重新啟動電腦才能安裝新版本。確定要繼續嗎？"},
    {40, L"立即重新啟動"},
    {41, kDownloadFailed.text},
    {42, kInstallerOutOfDate.text},
    {43, L"正在下載..."},
    {44, L"正在檢查資料，請稍候..."},
    {45, L"正在取得下載資訊..."},
    {46, L"__PRODUCT_NAME__ 官方網站"},
    {47, L"解除安裝 __PRODUCT_NAME__"},
    {48, L"Launch"},
};
static_assert(CoversEveryUiTextId(kEntries));

} // namespace

constinit const StringTable kChineseTraditionalTable{kEntries};

} // namespace i18n

// The setup window's layout: fonts, images, the eighteen controls with their geometry, images,
// colours and captions, the page switch and the custom panel.
#include "setup/SetupDlg.h"

#include <cmath>
#include <initializer_list>
#include <mutex>

#include "app/ProductInfo.h"
#include "i18n/Language.h"

namespace {

using platform::ColorRef;
using platform::Font;
using platform::LogFont;
using skin::BitmapHandle;
using skin::LoadSkinBitmap;

constexpr const wchar_t* kUiFace = L"微软雅黑";
constexpr const wchar_t* kInfoFace = L"ArialMT";
constexpr int kEmblemImage = 190;
constexpr int kEmblemSize = 311;
constexpr uint32_t kFormatCentred = 0x25;
constexpr uint32_t kFormatLeft = 0x24;
constexpr uint32_t kFormatRight = 0x26;
constexpr ColorRef kCheckTextColor = 0x777777;
constexpr ColorRef kLinkColor = 0xE58C19;
constexpr ColorRef kVersionColor = 0xBFBFBF;

std::unique_ptr<Font> MakeFont(int32_t height, const wchar_t* face, int32_t weight = 0,
                               bool underline = false) {
    LogFont description;
    description.height = height;
    description.faceName = face;
    description.weight = weight;
    description.underline = underline;
    return platform::CreateFont(description);
}

// The plain check box look of the launch, accept, desktop-shortcut and join check boxes.
void StylePlainCheck(skin::CheckButtonCtrlEx* box, const Font* font) {
    box->SetStateBitmaps(LoadSkinBitmap(157), LoadSkinBitmap(158), LoadSkinBitmap(159), nullptr);
    box->SetCheckedBitmaps(LoadSkinBitmap(159), LoadSkinBitmap(160), LoadSkinBitmap(157), nullptr);
    box->SetStateColors(kCheckTextColor, kCheckTextColor, kCheckTextColor, kCheckTextColor);
    box->SetFormat(kFormatLeft);
    box->SetFont(font);
    box->SetDrawBitmap(1);
}

// A launch box of the Installed page: checked, hidden until that page.
void StyleLaunchCheck(skin::CheckButtonCtrlEx* box, const Font* font, const std::wstring& text,
                      int id) {
    StylePlainCheck(box, font);
    box->SetText(text);
    box->SetId(id);
    box->SetBoxRect(0, 3, 14, 14);
    box->SetVisible(false);
    box->SetCheck(true);
}

void StyleLink(skin::HyLinkCtrlEx* link, const Font* font, const Font* hoverFont) {
    link->SetStateColors(kLinkColor, kLinkColor, kLinkColor, kLinkColor);
    link->SetFormat(kFormatLeft);
    link->SetFont(font);
    link->SetHoverFont(hoverFont);
}

void StyleImageButton(skin::ButtonCtrlEx* button, int normal, int hover, int pressed) {
    button->SetStateBitmaps(LoadSkinBitmap(normal), LoadSkinBitmap(hover), LoadSkinBitmap(pressed),
                            nullptr);
    button->SetDrawBitmap(1);
}

} // namespace

void SetupDlg::CreateFonts() {
    std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
    const int dpi = dc ? dc->GetDeviceCaps(platform::kLogPixelsY) : platform::GetDisplayDpi();
    m_fonts.large = MakeFont(-platform::MulDiv(22, dpi, 72), kUiFace);
    m_fonts.info = MakeFont(-platform::MulDiv(14, dpi, 96), kInfoFace);
    m_fonts.buttonHeight = platform::MulDiv(20, dpi, 72);
    m_fonts.button = MakeFont(-m_fonts.buttonHeight, kUiFace);
    m_fonts.small = MakeFont(-platform::MulDiv(10, dpi, 72), kUiFace);
    m_fonts.normal = MakeFont(-platform::MulDiv(14, dpi, 96), kUiFace);
    m_fonts.linkHover = MakeFont(-platform::MulDiv(14, dpi, 96), kUiFace, 0, true);
    m_fonts.edition = MakeFont(-platform::MulDiv(14, dpi, 96), kUiFace, platform::kFwBold);
    m_fonts.editionHover =
        MakeFont(-platform::MulDiv(14, dpi, 96), kUiFace, platform::kFwBold, true);
    m_fonts.label = MakeFont(-platform::MulDiv(12, dpi, 96), kUiFace);
}

void SetupDlg::LoadImages() {
    m_logo.Load(kEmblemImage);
    m_bareLogo.Load(132);
    m_ringedLogo.Load(183);
    m_greyLogo.Load(182);
    m_background.Load(185);
    m_animImages =
        skin::AnimationImages{&m_logo, &m_bareLogo, &m_ringedLogo, &m_greyLogo, &m_background};
    m_geometry = ComputeSetupGeometry();
}

void SetupDlg::CreateControls() {
    m_installPath = DefaultInstallPath();
    CreateReadyRow();
    CreateCustomPanel();
    ToggleCustomPanel(false);
    CreateTitleRow();
    FinishControlLists();
    UpdateCtrlStatus(E_Install_Ready);
}

// Rows 1 to 5: the install button, the emblem, the two launch check boxes and the custom check
// box.
void SetupDlg::CreateReadyRow() {
    SetupControls& c = m_controls;
    c.install = AddControl<skin::ButtonCtrlEx>(161, 354, 461, 389);
    c.install->SetStateColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
    c.install->SetFormat(kFormatCentred);
    c.install->SetText(GetUiText(0));
    c.install->SetFont(m_fonts.button.get());
    c.install->SetId(kCmdInstall);

    const int x0 = m_geometry.emblemX;
    const int y0 = m_geometry.emblemY;
    c.emblem = AddControl<skin::StaticCtrl>(x0, y0, x0 + kEmblemSize, y0 + kEmblemSize);
    c.emblem->SetStateBitmaps(LoadSkinBitmap(kEmblemImage), nullptr, nullptr, nullptr);
    c.emblem->SetDrawBitmap(1);

    const std::wstring launch = GetUiText(48);
    c.launchConverter = AddControl<skin::CheckButtonCtrlEx>(26, 349, 40, 363);
    StyleLaunchCheck(c.launchConverter, m_fonts.small.get(), launch + L" Kelto Clipwave Converter",
                     kCmdLaunchConverter);
    c.launchConverter->SetTextRect(20, 2, 300, 14);
    c.launchDownloader = AddControl<skin::CheckButtonCtrlEx>(26, 378, 40, 394);
    StyleLaunchCheck(c.launchDownloader, m_fonts.small.get(),
                     launch + L" Kelto Clipwave Downloader", kCmdLaunchDownloader);
    c.launchDownloader->SetTextRect(20, 0, 300, 16);

    c.custom = AddControl<skin::CheckButtonCtrlEx>(474, 359, 609, 385);
    c.custom->SetStateBitmaps(LoadSkinBitmap(165), LoadSkinBitmap(166), LoadSkinBitmap(166),
                              nullptr);
    c.custom->SetCheckedBitmaps(LoadSkinBitmap(167), LoadSkinBitmap(168), LoadSkinBitmap(168),
                                nullptr);
    c.custom->SetStateColors(0xCEC0A3, 0xE3A378, 0xE3A378, 0xCCCBC2);
    c.custom->SetFormat(kFormatRight);
    c.custom->SetText(GetUiText(1));
    c.custom->SetFont(m_fonts.normal.get());
    c.custom->SetDrawBitmap(1);
    c.custom->SetId(kCmdCustom);
    c.custom->SetBoxRect(121, 9, 14, 8);
    c.custom->SetTextRect(0, 0, 119, 26);
    c.custom->SetCheck(false);
}

// Rows 6 to 12: the custom panel.
void SetupDlg::CreateCustomPanel() {
    SetupControls& c = m_controls;
    const int w0 = GetLayoutWidth(0);
    const int w1 = GetLayoutWidth(1);
    const int w2 = GetLayoutWidth(2);
    const int w3 = GetLayoutWidth(3);
    const uint32_t flags = m_state.optionFlags.load();

    c.accept = AddControl<skin::CheckButtonCtrlEx>(44, 425, 44 + w0, 445);
    StylePlainCheck(c.accept, m_fonts.normal.get());
    c.accept->SetText(GetUiText(2));
    c.accept->SetId(kCmdAccept);
    c.accept->SetBoxRect(0, 3, 14, 14);
    c.accept->SetTextRect(20, 0, w0 - 25, 20);
    c.accept->SetCheck(true);

    c.licence = AddControl<skin::HyLinkCtrlEx>(44 + w0, 425, 44 + w0 + w1, 445);
    StyleLink(c.licence, m_fonts.normal.get(), m_fonts.linkHover.get());
    c.licence->SetText(GetUiText(3));
    c.licence->SetId(kCmdLicence);

    CreatePathEdit();

    c.browse = AddControl<skin::ButtonCtrlEx>(549, 460, 578, 486);
    StyleImageButton(c.browse, 169, 170, 171);
    c.browse->SetId(kCmdBrowse);

    c.desktopShortcut = AddControl<skin::CheckButtonCtrlEx>(44, 501, 411, 521);
    StylePlainCheck(c.desktopShortcut, m_fonts.normal.get());
    c.desktopShortcut->SetText(GetUiText(4));
    c.desktopShortcut->SetId(kCmdDesktopShortcut);
    c.desktopShortcut->SetBoxRect(0, 3, 14, 14);
    c.desktopShortcut->SetTextRect(20, 0, 342, 20);
    c.desktopShortcut->SetCheck((flags & OPT_DESKTOP_SHORTCUT) != 0);

    c.join = AddControl<skin::CheckButtonCtrlEx>(44, 536, 44 + w2, 556);
    StylePlainCheck(c.join, m_fonts.normal.get());
    c.join->SetText(GetUiText(7));
    c.join->SetId(kCmdJoin);
    c.join->SetBoxRect(0, 3, 14, 14);
    c.join->SetTextRect(20, 0, w2 - 25, 20);
    c.join->SetCheck((flags & OPT_JOIN_PROGRAM) != 0);

    c.programme = AddControl<skin::HyLinkCtrlEx>(44 + w2, 536, 44 + w2 + w3, 556);
    StyleLink(c.programme, m_fonts.normal.get(), m_fonts.linkHover.get());
    c.programme->SetText(GetUiText(8));
    c.programme->SetId(kCmdProgramme);
}

// Row 8: the platform's edit box, with its text 4 pixels in from the left and 1 from the top.
void SetupDlg::CreatePathEdit() {
    const platform::Rect rect{44, 460, 549, 486};
    m_controls.pathEdit = platform::CreateControl(
        m_window, platform::ControlKind::Edit, 0, rect, m_installPath,
        platform::kControlVisible | platform::kControlBorder | platform::kControlMultiLine);
    platform::SetWindowFont(m_controls.pathEdit, m_fonts.normal.get());
    platform::Rect client;
    platform::GetClientRect(m_controls.pathEdit, &client);
    platform::EditSetFormattingRect(
        m_controls.pathEdit,
        platform::Rect{client.left + 4, client.top + 1, client.right + 4, client.bottom + 1});
}

// Rows 13 to 18: close and minimise, the title images, the special-edition link and the version
// label.
void SetupDlg::CreateTitleRow() {
    SetupControls& c = m_controls;
    c.close = AddControl<skin::ButtonCtrlEx>(600, 0, 617, 21);
    StyleImageButton(c.close, 140, 143, 142);
    c.close->SetId(kCmdClose);

    c.minimise = AddControl<skin::ButtonCtrlEx>(580, 0, 597, 21);
    StyleImageButton(c.minimise, 144, 147, 146);
    c.minimise->SetId(kCmdMinimise);

    c.titleImage = AddControl<skin::StaticCtrl>(0, 0, 224, 38);
    c.titleImage->SetStateBitmaps(LoadSkinBitmap(ProductInfo()->GetLogoBitmapId()), nullptr,
                                  nullptr, nullptr);
    c.titleImage->SetDrawBitmap(1);

    c.secondTitleImage = AddControl<skin::StaticCtrl>(0, 0, 224, 38);
    c.secondTitleImage->SetDrawBitmap(1);
    c.secondTitleImage->SetVisible(false);

    const bool specialEdition = !m_specialEditionAddress.empty();
    c.specialEdition = AddControl<skin::HyLinkCtrlEx>(13, 32, 313, 52);
    StyleLink(c.specialEdition, m_fonts.edition.get(), m_fonts.editionHover.get());
    c.specialEdition->SetText(m_channelText + L" Special Edition");
    c.specialEdition->SetId(kCmdSpecialEdition);
    c.specialEdition->SetVisible(specialEdition);

    const int y = specialEdition ? 55 : 32;
    c.versionLabel = AddControl<skin::StaticCtrl>(13, y, 213, y + 20);
    c.versionLabel->SetColor(kVersionColor);
    c.versionLabel->SetFormat(kFormatLeft);
    c.versionLabel->SetFont(m_fonts.label.get());
    c.versionLabel->SetText(ProductInfo()->GetSubtitle());
}

void SetupDlg::UpdateCtrlStatus(int page) {
    SetupControls& c = m_controls;
    std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
    switch (page) {
    case E_Install_Installing:
        for (skin::CommonCtrl* control : std::initializer_list<skin::CommonCtrl*>{
                 c.close, c.minimise, c.versionLabel, c.install, c.titleImage, c.secondTitleImage,
                 c.emblem}) {
            control->SetVisible(false);
        }
        return;
    case E_Install_Installed: {
        StyleImageButton(c.close, 148, 143, 142);
        c.close->SetVisible(true);
        StyleImageButton(c.minimise, 149, 151, 146);
        c.minimise->SetVisible(true);
        // Left and right are set, never shifted, so a second call leaves the button in place.
        skin::CommonRect& r = c.install->GetRect();
        r.left = 322;
        r.right = 592;
        r.Recalc();
        SetInstallCaption(27);
        c.install->SetFormat(kFormatRight);
        c.install->SetVisible(m_state.unpackSucceeded.load() != 0);
        c.titleImage->SetVisible(false);
        c.secondTitleImage->SetVisible(true);
        c.emblem->SetVisible(false);
        c.launchConverter->SetVisible(true);
        c.launchDownloader->SetVisible(true);
        return;
    }
    case E_Install_Failed:
        c.close->SetVisible(true);
        SetInstallCaption(14);
        c.install->SetVisible(true);
        c.titleImage->SetVisible(true);
        c.secondTitleImage->SetVisible(false);
        c.emblem->SetVisible(true);
        return;
    default:
        c.close->SetVisible(true);
        c.minimise->SetVisible(true);
        c.versionLabel->SetVisible(true);
        SetInstallCaption(0);
        c.install->SetVisible(true);
        c.titleImage->SetVisible(true);
        c.secondTitleImage->SetVisible(false);
        c.emblem->SetVisible(true);
        return;
    }
}

void SetupDlg::ToggleCustomPanel(bool show) {
    platform::Rect window;
    platform::GetWindowRect(m_window, &window);
    const int height = show ? kSetupHeight + kCustomPanelHeight : kSetupHeight;
    {
        std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
        for (skin::CommonCtrl* control : std::initializer_list<skin::CommonCtrl*>{
                 m_controls.accept, m_controls.licence, m_controls.browse,
                 m_controls.desktopShortcut, m_controls.join, m_controls.programme}) {
            control->SetVisible(show);
        }
    }
    // The edit box is a window of the platform: no lock is held while it is called.
    platform::EnableWindow(m_controls.pathEdit, show);
    platform::ShowWindow(m_controls.pathEdit, show ? platform::kSwShow : platform::kSwHide);
    if (height != window.Height()) {
        platform::MoveWindow(m_window, window.left, window.top, kSetupWidth, height, true);
    }
}

SetupGeometry ComputeSetupGeometry() {
    SetupGeometry g;
    g.cx = kSetupWidth / 2;
    g.cy = kSetupHeight - 50;
    g.maxRadius = static_cast<int>(std::sqrt(double(g.cx) * g.cx + double(g.cy) * g.cy));
    g.emblemX = g.cx - kEmblemSize / 2;
    g.emblemY = (g.cy - kEmblemSize) / 2;
    const double dx = g.cx - g.emblemX;
    const double dy = g.cy - g.emblemY;
    g.emblemRadius = static_cast<int>(std::sqrt(dx * dx + dy * dy));
    return g;
}

// Some languages' captions are wider than the install button at the button font (Japanese "Click
// to Install" is), and centred text would lose both ends; such a caption is drawn in the largest
// smaller size of the same face that fits.
void SetupDlg::SetInstallCaption(int textId) {
    constexpr int32_t kCaptionMargin = 6;      // pixels kept free at each side
    constexpr int32_t kSmallestCaptionPx = 12; // below this a caption is clipped rather than shrunk
    skin::ButtonCtrlEx* button = m_controls.install;
    const std::wstring text = GetUiText(textId);
    button->SetText(text);
    const int32_t room = button->GetRect().width - 2 * kCaptionMargin;
    if (platform::MeasureTextWidth(*m_fonts.button, text) <= room) {
        button->SetFont(m_fonts.button.get());
        return;
    }
    std::unique_ptr<platform::Font> fitted;
    for (int32_t size = m_fonts.buttonHeight - 1; size >= kSmallestCaptionPx; --size) {
        fitted = MakeFont(-size, kUiFace);
        if (platform::MeasureTextWidth(*fitted, text) <= room) {
            break;
        }
    }
    // The button takes the new font before the one it may still hold goes.
    button->SetFont(fitted.get());
    m_fonts.fittedButton = std::move(fitted);
}

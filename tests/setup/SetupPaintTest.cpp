// The setup window's painters as pixels of the window's canvas (no text is looked at), and the
// screens a person looks at: the Ready page in four languages, the open panel and the Installed
// page with and without Finish, saved under <build>/artifacts/.
#include "SetupFixture.h"

#include "platform/FileSystem.h"
#include "skin/SkinBitmap.h"

namespace setup_testing {
namespace {

using platform::PixelFromColorRef;

constexpr uint32_t kWhitePixel = 0xFFFFFF;

class SetupPaintTest : public SetupWindowTest {
protected:
    // Presents the current page and saves it.
    void SaveScreen(const std::string& name) {
        m_dialog->OnPaint();
        platform::PumpMessages(60);
        EXPECT_TRUE(platform::SaveWindowFrameAsPng(m_window, ArtifactPath(name).c_str())) << name;
    }
};

TEST_F(SetupPaintTest, ReadyPageIsWhiteWithTheBandAndTheEmblem) {
    Open();
    EXPECT_EQ(PaintedPixel(50, 150), kWhitePixel);
    EXPECT_EQ(PaintedPixel(610, 300), kWhitePixel);
    EXPECT_EQ(PaintedPixel(5, 337), kWhitePixel);
    EXPECT_EQ(PaintedPixel(5, 338), PixelFromColorRef(kBandColor));
    EXPECT_EQ(PaintedPixel(620, 404), PixelFromColorRef(kBandColor));

    skin::BitmapHandle emblem = skin::LoadSkinBitmap(190);
    ASSERT_NE(emblem, nullptr);
    m_dialog->OnPaint();
    std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
    int differing = 0;
    int nonWhite = 0;
    // The title image, drawn later, covers the emblem's corner (0, 0, 224, 38).
    for (int y = 0; y < 311; ++y) {
        for (int x = 0; x < 311; ++x) {
            if (156 + x < 224 && 22 + y < 38) {
                continue;
            }
            differing += dc->GetPixel(156 + x, 22 + y) != emblem->Pixel(x, y) ? 1 : 0;
            nonWhite += emblem->Pixel(x, y) != kWhitePixel ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(nonWhite, 1000); // the emblem is a picture, not a blank
    EXPECT_EQ(dc->GetPixel(155, 150), kWhitePixel);
}

TEST_F(SetupPaintTest, OpenPanelPaintsTheLowerAreaAndLeavesTheEditBoxAlone) {
    Open();
    Command(kCmdCustom);
    platform::Rect edit;
    platform::GetWindowRect(m_dialog->Controls().pathEdit, &edit);
    EXPECT_EQ(edit.left, 44);
    EXPECT_EQ(edit.top, 460);
    EXPECT_EQ(edit.right, 549);
    EXPECT_EQ(edit.bottom, 486);
    {
        std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
        ASSERT_EQ(dc->Height(), 580);
        dc->FillSolidRect(edit, 0x563412);
    }
    const uint32_t panel = PixelFromColorRef(kPanelColor);
    EXPECT_EQ(PaintedPixel(5, 404), PixelFromColorRef(kBandColor));
    EXPECT_EQ(PaintedPixel(5, 405), panel);
    EXPECT_EQ(PaintedPixel(600, 579), panel);
    EXPECT_EQ(PaintedPixel(43, 470), panel);
    EXPECT_EQ(PaintedPixel(44, 459), panel);
    EXPECT_EQ(PaintedPixel(44, 486), panel);
    for (const platform::Point p :
         {platform::Point{44, 460}, platform::Point{300, 470}, platform::Point{548, 485}}) {
        EXPECT_EQ(PaintedPixel(p.x, p.y), PixelFromColorRef(0x563412)) << p.x << "," << p.y;
    }
    SaveScreen("setup-ready-panel.png");
    Command(kCmdCustom);
    EXPECT_EQ(PaintedPixel(5, 404), PixelFromColorRef(kBandColor));
}

TEST_F(SetupPaintTest, InstalledPageShowsTheBackgroundWithTheBand) {
    Open();
    skin::BitmapHandle background = skin::LoadSkinBitmap(185);
    ASSERT_NE(background, nullptr);
    // The way an installation gets there: started, the Installing page applied, then Installed.
    Command(kCmdInstall);
    ASSERT_TRUE(PumpUntil([&] { return !m_dialog->Controls().install->IsVisible(); }, 2000));
    m_dialog->State().SetInstallState(E_Install_Installed);
    m_dialog->UpdateCtrlStatus(E_Install_Installed);
    for (const platform::Point p : {platform::Point{300, 200}, platform::Point{5, 337},
                                    platform::Point{156 + 100, 22 + 100}}) {
        EXPECT_EQ(PaintedPixel(p.x, p.y), background->Pixel(p.x, p.y)) << p.x << "," << p.y;
    }
    EXPECT_EQ(PaintedPixel(5, 338), PixelFromColorRef(kBandColor));
    EXPECT_EQ(PaintedPixel(300, 400), PixelFromColorRef(kBandColor));
    SaveScreen("setup-installed-finish.png");

    m_dialog->State().unpackSucceeded = 0;
    m_dialog->UpdateCtrlStatus(E_Install_Installed);
    EXPECT_EQ(PaintedPixel(5, 338), PixelFromColorRef(kBandColor));
    SaveScreen("setup-installed-without-finish.png");
}

TEST_F(SetupPaintTest, ReadyPageInFourLanguages) {
    const struct {
        const char* name;
        const char* id;
        const wchar_t* install;
    } languages[] = {{"en", "0x0409", L"Click to Install"},
                     {"de", "0x0407", nullptr},
                     {"ja", "0x0411", nullptr},
                     {"ru", "0x0419", nullptr}};
    std::wstring english;
    for (const auto& language : languages) {
        NewRoot("[system]\nuser=tester\narchitecture=x64\nlanguage_id=" + std::string(language.id) +
                "\n");
        Open();
        const std::wstring caption = m_dialog->Controls().install->GetText();
        if (language.install != nullptr) {
            EXPECT_EQ(caption, language.install);
            english = caption;
        } else {
            EXPECT_NE(caption, english) << language.name;
        }
        // The caption is drawn whole: a language whose caption is wider than the button at the
        // button font gets a smaller size (Japanese here), every other keeps the button font.
        skin::CommonCtrl* install = m_dialog->Controls().install;
        const int32_t atButtonFont = platform::MeasureTextWidth(*m_dialog->Fonts().button, caption);
        EXPECT_LE(platform::MeasureTextWidth(*install->GetFont(), caption),
                  install->GetRect().width)
            << language.name;
        EXPECT_EQ(install->GetFont() == m_dialog->Fonts().button.get(),
                  atButtonFont <= install->GetRect().width - 12)
            << language.name << " " << atButtonFont;
        // Every glyph of the captions is there in the language's fonts.
        for (const skin::CommonCtrl* control : m_dialog->DrawList()) {
            if (control->GetFont() != nullptr) {
                EXPECT_EQ(platform::CountMissingGlyphs(*control->GetFont(), control->GetText()), 0)
                    << language.name;
            }
        }
        SaveScreen(std::string("setup-ready-") + language.name + ".png");
        Command(kCmdCustom);
        SaveScreen(std::string("setup-ready-panel-") + language.name + ".png");
        Close();
    }
}

} // namespace
} // namespace setup_testing

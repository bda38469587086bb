// Text with fonts: face mapping, heights, where each format flag puts the ink, measuring, and
// complete glyph coverage for every UI language. Positions are checked as bounds of the ink, not
// as exact pixels, so that font updates do not break them.
#include "platform/Font.h"

#include <gtest/gtest.h>

#include "platform/Gdi.h"

namespace platform {
namespace {

struct Ink {
    int left = INT32_MAX;
    int top = INT32_MAX;
    int right = INT32_MIN; // last inked column
    int bottom = INT32_MIN;
    int count = 0;
    bool Any() const { return count > 0; }
    int CentreX() const { return (left + right) / 2; }
    int CentreY() const { return (top + bottom) / 2; }
};

Ink FindInk(const Bitmap& b, uint32_t background = 0xFFFFFF) {
    Ink ink;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Pixel(x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
        }
    }
    return ink;
}

std::unique_ptr<Font> MakeFont(const wchar_t* face, int height, int weight = 0,
                               bool underline = false) {
    LogFont description;
    description.height = height;
    description.weight = weight;
    description.underline = underline;
    description.faceName = face;
    return CreateFont(description);
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        font = MakeFont(L"ArialMT", -MulDiv(14, 96, 96));
        ASSERT_NE(font, nullptr);
        canvas = std::make_unique<Bitmap>(300, 140);
        dc = std::make_unique<DeviceContext>(canvas.get());
        dc->FillSolidRect(Rect{0, 0, 300, 140}, 0xFFFFFF);
        dc->SelectFont(font.get());
        dc->SetBkMode(kTransparent);
        dc->SetTextColor(0);
    }
    Ink Draw(const std::wstring& text, Rect rect, uint32_t format) {
        dc->FillSolidRect(Rect{0, 0, 300, 140}, 0xFFFFFF);
        dc->DrawText(text, &rect, format);
        return FindInk(*canvas);
    }

    std::unique_ptr<Font> font;
    std::unique_ptr<Bitmap> canvas;
    std::unique_ptr<DeviceContext> dc;
};

TEST(MulDiv, RoundsToNearestAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {14, 96, 96, 14}, {14, 120, 96, 18}, {22, 120, 72, 37}, {12, 120, 96, 15},
        {10, 96, 72, 13}, {-5, 3, 2, -8},    {5, -3, 2, -8},    {7, 1, 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    }
}

TEST(Fonts, FaceNamesMapToTheInstalledFamilies) {
    struct Case {
        const wchar_t* face;
        const char* family;
    };
    const Case cases[] = {
        {L"微软雅黑", "WenQuanYi Micro Hei"},
        {L"ArialMT", "Liberation Sans"},
        {L"MS Shell Dlg", "DejaVu Sans"},
    };
    for (const Case& c : cases) {
        auto f = MakeFont(c.face, -14);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->FamilyName(), c.family);
        EXPECT_EQ(f->PixelSize(), 14);
        EXPECT_GE(f->LineHeight(), 14);
    }
}

TEST(Fonts, BoldAndUnderlineAddInk) {
    Bitmap canvas(200, 40);
    DeviceContext dc(&canvas);
    auto inkOf = [&](const Font& f) {
        dc.FillSolidRect(Rect{0, 0, 200, 40}, 0xFFFFFF);
        dc.SelectFont(&f);
        dc.SetBkMode(kTransparent);
        Rect r{0, 0, 200, 40};
        dc.DrawText(L"Install", &r, 0x24);
        return FindInk(canvas);
    };
    auto regular = MakeFont(L"微软雅黑", -19);
    auto bold = MakeFont(L"微软雅黑", -19, kFwBold);
    auto underlined = MakeFont(L"微软雅黑", -19, 0, true);
    Ink r = inkOf(*regular);
    Ink b = inkOf(*bold);
    Ink u = inkOf(*underlined);
    EXPECT_GT(b.count, r.count * 11 / 10);
    EXPECT_GT(u.bottom, r.bottom);                 // the line lies below the letters
    EXPECT_GE(u.right - u.left, r.right - r.left); // and runs the whole width
}

TEST_F(TextTest, EachSingleLineFormatPlacesTheInkWhereItBelongs) {
    const Rect box{10, 10, 210, 60};
    const int boxCentreY = (box.top + box.bottom) / 2;
    Ink left = Draw(L"Hello", box, 0x24);
    ASSERT_TRUE(left.Any());
    EXPECT_GE(left.left, box.left);
    EXPECT_LE(left.left, box.left + 3);
    EXPECT_NEAR(left.CentreY(), boxCentreY, 4);

    Ink centred = Draw(L"Hello", box, 0x25);
    EXPECT_NEAR(centred.CentreX(), (box.left + box.right) / 2, 3);
    EXPECT_NEAR(centred.CentreY(), boxCentreY, 4);

    Ink right = Draw(L"Hello", box, 0x26);
    EXPECT_LE(right.right, box.right - 1);
    EXPECT_GE(right.right, box.right - 4);
    EXPECT_NEAR(right.CentreY(), boxCentreY, 4);

    // 5: centred lines from the top; the vertical flag has no effect without single line.
    Ink top = Draw(L"Hello", box, 5);
    EXPECT_NEAR(top.CentreX(), (box.left + box.right) / 2, 3);
    EXPECT_GE(top.top, box.top);
    EXPECT_LT(top.bottom, box.top + font->LineHeight());
}

TEST_F(TextTest, WordWrapBreaksAtSpacesInsideTheRectangleAndMeasuresTheBlock) {
    const std::wstring text = L"one two three four five six";
    const Rect box{20, 5, 90, 135};
    Ink ink = Draw(text, box, 0x2010);
    ASSERT_TRUE(ink.Any());
    EXPECT_GE(ink.left, box.left);
    EXPECT_LE(ink.right, box.right - 1);
    EXPECT_GE(ink.top, box.top);

    Rect measured = box;
    int height = dc->DrawText(text, &measured, 0x2010 | kDtCalcRect);
    int lines = height / font->LineHeight();
    EXPECT_EQ(height % font->LineHeight(), 0);
    EXPECT_GE(lines, 3);
    EXPECT_EQ(measured.bottom - measured.top, height);
    EXPECT_EQ(measured.left, box.left);
    // The ink of the drawn block spans the lines the measurement counted.
    EXPECT_GT(ink.bottom - ink.top, (lines - 1) * font->LineHeight());
    EXPECT_LE(ink.bottom, box.top + height);

    Rect single{0, 0, 1000, 0};
    int one = dc->DrawText(L"one", &single, 0x24 | kDtCalcRect);
    EXPECT_EQ(one, font->LineHeight());
    EXPECT_EQ(single.right, dc->MeasureText(L"one").x);
    // Hard breaks start new lines too.
    Rect broken{0, 0, 1000, 0};
    EXPECT_EQ(dc->DrawText(L"a\nb\r\nc", &broken, 0x2010 | kDtCalcRect), 3 * font->LineHeight());
}

TEST_F(TextTest, EditControlFlagBreaksWordsWiderThanTheLineAndLeavesOutCutLines) {
    const std::wstring word = L"Supercalifragilistic";
    Rect narrow{0, 0, 40, 0};
    int plainHeight = dc->DrawText(word, &narrow, kDtWordBreak | kDtCalcRect);
    EXPECT_EQ(plainHeight, font->LineHeight()); // a plain word break keeps the word whole
    Rect narrow2{0, 0, 40, 0};
    int editHeight = dc->DrawText(word, &narrow2, 0x2010 | kDtCalcRect);
    EXPECT_GT(editHeight, font->LineHeight());

    // A rectangle one and a half lines high shows one line only.
    int lh = font->LineHeight();
    Ink ink = Draw(L"first second third", Rect{0, 0, 70, lh + lh / 2}, 0x2010);
    EXPECT_LT(ink.bottom, lh);
}

TEST_F(TextTest, TextIsClippedToItsRectangle) {
    Ink ink = Draw(L"A long caption that does not fit", Rect{30, 30, 80, 45}, 0x24);
    ASSERT_TRUE(ink.Any());
    EXPECT_GE(ink.left, 30);
    EXPECT_LE(ink.right, 79);
    EXPECT_GE(ink.top, 30);
    EXPECT_LE(ink.bottom, 44);
}

TEST_F(TextTest, OpaqueModeFillsTheTextCell) {
    dc->SetBkMode(kOpaque);
    dc->SetBkColor(Rgb(0, 0, 255));
    dc->SetTextColor(Rgb(255, 255, 255));
    Rect r{10, 10, 200, 60};
    dc->FillSolidRect(Rect{0, 0, 300, 140}, 0xFFFFFF);
    dc->DrawText(L"Hi", &r, 0x24);
    int blue = 0;
    for (int y = 10; y < 60; ++y) {
        for (int x = 10; x < 200; ++x) {
            blue += canvas->Pixel(x, y) == 0x0000FF;
        }
    }
    EXPECT_GT(blue, 10 * font->LineHeight() / 2);
}

TEST(Glyphs, EverySupportedLanguageRendersWithoutMissingGlyphs) {
    // The sixteen UI languages (Catalan uses the Spanish table).
    const std::wstring samples[] = {
        L"Click to Install",                      // English
        L"Haga clic para instalar — ñ á ü ¿",     // Spanish
        L"點擊安裝 使用者授權合約",               // Chinese (traditional)
        L"点击安装 用户许可协议",                 // Chinese (simplified)
        L"クリックしてインストール 使用許諾契約", // Japanese
        L"Cliquez pour installer — é è ç œ",      // French
        L"Zum Installieren klicken — ä ö ü ß",    // German
        L"Нажмите, чтобы установить ЁЙЩЫ",        // Russian
        L"Klikněte pro instalaci — ěščřžýůň",     // Czech
        L"Kattintson a telepítéshez — őű",        // Hungarian
        L"Fai clic per installare — à ò",         // Italian
        L"Klik om te installeren — ë ï",          // Dutch
        L"Klikk for å installere — æ ø å",        // Norwegian
        L"Kliknij, aby zainstalować — ąęłńśźż",   // Polish
        L"Clique para instalar — ã õ ç",          // Portuguese
        L"Klicka för att installera — å ä ö",     // Swedish
    };
    for (const wchar_t* face : {L"微软雅黑", L"ArialMT", L"MS Shell Dlg"}) {
        auto font = MakeFont(face, -14);
        ASSERT_NE(font, nullptr);
        for (const std::wstring& text : samples) {
            EXPECT_EQ(CountMissingGlyphs(*font, text), 0)
                << "face " << font->FamilyName() << " text #" << (&text - samples);
        }
    }
    // A character no installed font has is counted, so the check above can fail.
    auto font = MakeFont(L"ArialMT", -14);
    EXPECT_EQ(CountMissingGlyphs(*font, L"\U0010FFFD"), 1);
}

TEST(Glyphs, ChineseJapaneseAndRussianDrawInkInAnArialFontByFallback) {
    auto font = MakeFont(L"ArialMT", -16);
    Bitmap canvas(300, 30);
    DeviceContext dc(&canvas);
    dc.SelectFont(font.get());
    dc.SetBkMode(kTransparent);
    for (const wchar_t* text : {L"点击安装", L"インストール", L"Установить"}) {
        dc.FillSolidRect(Rect{0, 0, 300, 30}, 0xFFFFFF);
        Rect r{0, 0, 300, 30};
        dc.DrawText(text, &r, 0x24);
        Ink ink = FindInk(canvas);
        EXPECT_TRUE(ink.Any()) << static_cast<int>(text[0]);
        // Every character advances the pen: the ink covers a width per character.
        EXPECT_GT(ink.right - ink.left, 6 * static_cast<int>(std::wcslen(text)));
    }
}

} // namespace
} // namespace platform

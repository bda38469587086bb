#include "tools/skinart/Art.h"

#include "tools/skinart/Canvas.h"
#include "tools/skinart/ImageFiles.h"
#include "tools/skinart/Text.h"

#include <functional>
#include <optional>

namespace skinart {

namespace {

constexpr float kPi = 3.14159265358979f;

// The palette: the brand colours with the hover and pressed shades of the controls, then the
// neutral greys and grounds. Every colour of the skin is one of these or a mix of them.
const Colour kBlue = Hex(0x198CE5);
const Colour kBlueHover = Hex(0x319DF1);
const Colour kPurple = Hex(0x4A47B5);
const Colour kPurpleHover = Hex(0x5D5AC1);
const Colour kPurplePressed = Hex(0x363395);
const Colour kMagenta = Hex(0xFA3DC8);
const Colour kCoral = Hex(0xFF2957);
const Colour kCoralPressed = Hex(0xE00937);
const Colour kAmber = Hex(0xFFAE3D);

const Colour kWhite = Hex(0xFFFFFF);
// The window's bottom band, behind the check boxes and the custom panel's chevron.
const Colour kBand = Hex(0xF7FBFD);
const Colour kGlyphGrey = Hex(0x8A8F99);
const Colour kTitleGrey = Hex(0x8C8C8C);
const Colour kTitleGreyDark = Hex(0x6E6E6E);
const Colour kShadow = Hex(0x2B2858);
// Light features of the logo: as light as white to the eye, but never the colour key itself,
// so that keyed copies of the logo keep its face.
const Colour kFeature = Hex(0xFCFCFE);

const char* const kItalicFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Italic.ttf";
const char* const kBoldItalicFont =
    "/usr/share/fonts/truetype/liberation/LiberationSans-BoldItalic.ttf";
const char* const kBoldFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";

// ---------------------------------------------------------------------------------------------
// The multicolour gradient of the logo, the ring and the lines: the brand colours from cool to
// warm, mixed perceptually.

struct Stop {
    float at;
    Colour colour;
};

const std::vector<Stop>& BrandStops() {
    static const std::vector<Stop> stops = {
        {0.00f, Hex(0x29A9F6)}, {0.32f, Hex(0x5B53D2)}, {0.60f, kMagenta},
        {0.82f, kCoral},        {1.00f, kAmber},
    };
    return stops;
}

Colour GradientAt(const std::vector<Stop>& stops, float t) {
    t = Clamp01(t);
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            float span = stops[i].at - stops[i - 1].at;
            float local = span > 0 ? (t - stops[i - 1].at) / span : 0;
            return MixPerceptual(stops[i - 1].colour, stops[i].colour, local);
        }
    }
    return stops.back().colour;
}

// Position of a point on a circle around the centre: 0 at the bottom, growing clockwise, so that
// the ring starts where the download sweep starts.
float RingPosition(Point p, Point centre) {
    float angle = std::atan2(-(p.x - centre.x), p.y - centre.y);
    return angle / (2 * kPi) + (angle < 0 ? 1.0f : 0.0f);
}

// The line gradient used by the straight multicolour line.
Colour LineGradient(float t) {
    static const std::vector<Stop> stops = {
        {0.00f, kBlue}, {0.35f, kPurple}, {0.70f, kMagenta}, {1.00f, kCoral}};
    return GradientAt(stops, t);
}

// Soft shadow of a disc: the disc blurred by a Gaussian of the given spread.
float DiscShadow(Point p, Point centre, float radius, float spread) {
    float d = CircleDistance(p, centre, radius);
    return 0.5f * std::erfc(d / (spread * 1.41421356f));
}

// ---------------------------------------------------------------------------------------------
// The logo: a friendly face (two eyes and a smile) on a multicolour disc.

enum class LogoForm { Plain, Bare, Ringed, Grey };

struct LogoGeometry {
    Point centre;
    float radius; // of the disc
};

// Pale grey rendering of a colour for the retry screen's emblem.
Colour PaleGrey(Colour c) {
    float v = 0.70f + 0.25f * Lightness(c);
    return {v, v, v};
}

void DrawLogo(Canvas& canvas, LogoGeometry g, LogoForm form) {
    const Point c = g.centre;
    const float r = g.radius;
    const bool grey = form == LogoForm::Grey;
    auto tone = [grey](Colour colour) { return grey ? PaleGrey(colour) : colour; };

    if (form == LogoForm::Plain || form == LogoForm::Ringed) {
        Point shadowCentre{c.x, c.y + r * 0.045f};
        float spread = r * 0.055f;
        canvas.Paint(
            [&](Point p) { return 0.30f * DiscShadow(p, shadowCentre, r * 0.985f, spread); },
            [&](Point) { return kShadow; });
    }

    if (form == LogoForm::Ringed) {
        const float inner = r * 1.175f, outer = r * 1.215f;
        canvas.ShadeShape(
            [&](Point p) {
                float d = std::hypot(p.x - c.x, p.y - c.y);
                return std::max(inner - d, d - outer);
            },
            [&](Point p) {
                // Out along the brand colours and back, so that the ring closes without a seam.
                float t = RingPosition(p, c);
                return GradientAt(BrandStops(), 1 - std::abs(2 * t - 1));
            });
    }

    // The disc: the brand colours from the upper right down to the lower left, a little lighter
    // towards the upper left as if lit from there, and a touch deeper at the rim so that the edge
    // reads on white.
    Point light{c.x - r * 0.35f, c.y - r * 0.45f};
    const Point axis{-0.42f, 0.907f};
    canvas.ShadeShape([&](Point p) { return CircleDistance(p, c, r); },
                      [&](Point p) {
                          float along = ((p.x - c.x) * axis.x + (p.y - c.y) * axis.y) / r;
                          float across = ((p.x - c.x) * axis.y - (p.y - c.y) * axis.x) / r;
                          // Bow the colour bands a little, like a wave passing through the disc.
                          along += 0.16f * across * across - 0.08f;
                          Colour base = GradientAt(BrandStops(), (along + 1) / 2);
                          float lit =
                              1 - Clamp01(std::hypot(p.x - light.x, p.y - light.y) / (r * 1.6f));
                          base = Lighten(base, 0.16f * lit * lit);
                          float rim = SmoothStep(r * 0.80f, r, std::hypot(p.x - c.x, p.y - c.y));
                          base = Darken(base, 0.10f * rim);
                          return tone(base);
                      });

    // The face. Eyes are upright ovals with a small highlight, the smile a round-capped arc.
    const Colour feature = tone(kFeature);
    const float eyeDx = r * 0.30f, eyeY = c.y - r * 0.13f;
    const float eyeRx = r * 0.095f, eyeRy = r * 0.135f;
    for (float side : {-1.0f, 1.0f}) {
        Point eye{c.x + side * eyeDx, eyeY};
        canvas.FillShape([&](Point p) { return EllipseDistance(p, eye, eyeRx, eyeRy); }, feature);
    }
    std::vector<Point> smile;
    const float smileRadius = r * 0.42f;
    const Point smileCentre{c.x, c.y + r * 0.02f};
    for (int i = 0; i <= 48; ++i) {
        float a = (32 + (180 - 64) * i / 48.0f) * kPi / 180;
        smile.push_back(
            {smileCentre.x + smileRadius * std::cos(a), smileCentre.y + smileRadius * std::sin(a)});
    }
    const float smileHalfWidth = r * 0.062f;
    canvas.FillShape([&](Point p) { return PolylineDistance(p, smile) - smileHalfWidth; }, feature);
}

LogoGeometry EmblemGeometry() {
    // The emblem bitmaps are 311 pixels square; the disc sits in the middle with room for the
    // ring and the shadow.
    return {{155.5f, 155.5f}, 118};
}

// The logo alone on a transparent 311-pixel square, so that the emblems and the background
// picture share the very same pixels of the disc.
Canvas EmblemLayer(LogoForm form) {
    Canvas layer(311, 311);
    DrawLogo(layer, EmblemGeometry(), form);
    return layer;
}

Canvas Emblem(LogoForm form) {
    Canvas canvas(311, 311);
    canvas.Fill(kWhite);
    canvas.Draw(EmblemLayer(form), 0, 0);
    return canvas;
}

// ---------------------------------------------------------------------------------------------
// Small glyphs of the buttons.

// The × of the close buttons, centred in a 17 × 21 face.
void DrawCross(Canvas& canvas, Colour colour) {
    const Point c{8.5f, 10.5f};
    const float arm = 3.0f, halfWidth = 0.62f;
    canvas.FillShape(
        [&](Point p) {
            float a = SegmentDistance(p, {c.x - arm, c.y - arm}, {c.x + arm, c.y + arm});
            float b = SegmentDistance(p, {c.x - arm, c.y + arm}, {c.x + arm, c.y - arm});
            return std::min(a, b) - halfWidth;
        },
        colour);
}

void DrawDash(Canvas& canvas, Colour colour) {
    canvas.FillShape(
        [&](Point p) {
            return SegmentDistance(p, {4.6f, 10.5f}, {12.4f, 10.5f}) - 0.6f;
        },
        colour);
}

Canvas CloseButton(Colour face, Colour glyph) {
    Canvas canvas(17, 21);
    canvas.Fill(face);
    DrawCross(canvas, glyph);
    return canvas;
}

Canvas MinimiseButton(Colour face) {
    Canvas canvas(17, 21);
    canvas.Fill(face);
    DrawDash(canvas, kGlyphGrey);
    return canvas;
}

Canvas CheckBox(bool checked, bool hover) {
    Canvas canvas(14, 14);
    canvas.Fill(kBand);
    auto box = [](Point p) { return RoundRectDistance(p, 0, 0, 14, 14, 2.5f); };
    if (!checked) {
        Colour frame = hover ? Hex(0x3F9CEA) : Hex(0xA9CBEA);
        canvas.FillShape(box, frame);
        canvas.FillShape([](Point p) { return RoundRectDistance(p, 1, 1, 13, 13, 1.6f); }, kWhite);
        return canvas;
    }
    canvas.FillShape(box, hover ? kBlueHover : kBlue);
    const std::vector<Point> tick = {{3.5f, 7.3f}, {6.0f, 9.8f}, {10.7f, 4.5f}};
    canvas.FillShape([&](Point p) { return PolylineDistance(p, tick) - 0.85f; }, kWhite);
    return canvas;
}

Canvas Chevron(bool up, Colour colour) {
    Canvas canvas(13, 7);
    canvas.Fill(kBand);
    float high = 1.8f, low = 5.2f;
    if (up) {
        std::swap(high, low);
    }
    const std::vector<Point> line = {{2.5f, high}, {6.5f, low}, {10.5f, high}};
    canvas.FillShape([&](Point p) { return PolylineDistance(p, line) - 0.62f; }, colour);
    return canvas;
}

Canvas Folder(Colour colour) {
    Canvas canvas(26, 26);
    canvas.Fill(kWhite);
    Colour back = colour;
    Colour front = Lighten(colour, 0.22f);
    // The back with its tab, then the front flap, slightly lower, a little lighter.
    canvas.FillShape(
        [](Point p) {
            float body = RoundRectDistance(p, 5, 7.5f, 21, 19.5f, 1.5f);
            float tab = RoundRectDistance(p, 5, 6, 12, 9, 1.2f);
            return std::min(body, tab);
        },
        back);
    canvas.FillShape([](Point p) { return RoundRectDistance(p, 5, 10, 21, 19.5f, 1.5f); }, front);
    return canvas;
}

Canvas MessageButton(Colour face) {
    Canvas canvas(100, 32);
    canvas.Fill(kBand);
    canvas.FillShape([](Point p) { return RoundRectDistance(p, 0, 0, 100, 32, 3); }, face);
    return canvas;
}

Canvas WarningIcon() {
    Canvas canvas(30, 30);
    canvas.Fill(kWhite);
    // A triangle with rounded corners: the outline shrunk by the corner radius, then grown back.
    const float round = 2.2f;
    const std::vector<Point> triangle = {{15, 3.4f + round},
                                         {27.6f - round * 0.9f, 26.6f - round * 0.55f},
                                         {2.4f + round * 0.9f, 26.6f - round * 0.55f}};
    canvas.FillShape([&](Point p) { return PolygonDistance(p, triangle) - round; }, kPurple);
    canvas.FillShape(
        [](Point p) {
            return SegmentDistance(p, {15, 11.2f}, {15, 17.8f}) - 1.3f;
        },
        kFeature);
    canvas.FillShape([](Point p) { return CircleDistance(p, {15, 21.9f}, 1.5f); }, kFeature);
    return canvas;
}

Canvas Dot() {
    Canvas canvas(9, 9);
    canvas.Fill(kWhite);
    canvas.FillShape([](Point p) { return CircleDistance(p, {4.5f, 4.5f}, 3.9f); }, kPurple);
    return canvas;
}

Canvas HorizontalGradient(int width, int height, const std::function<Colour(float)>& colourAt) {
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float t = width > 1 ? x / static_cast<float>(width - 1) : 0;
            canvas.Blend(x, y, colourAt(t), 1);
        }
    }
    return canvas;
}

Canvas Flat(int width, int height, Colour colour) {
    Canvas canvas(width, height);
    canvas.Fill(colour);
    return canvas;
}

// ---------------------------------------------------------------------------------------------
// The title: the product name in grey italic type.

constexpr float kTitleLeft = 13;
constexpr float kTitleBaseline = 24;

std::optional<Canvas> Title(bool badge) {
    Canvas canvas(badge ? 259 : 224, 38);
    canvas.Fill(kWhite);
    const std::string brand = "Kelto ";
    const std::string product = "Clipwave Converter Pro";
    // The largest size that leaves the name a quiet margin inside the 224-pixel title.
    float size = 17;
    for (; size > 10; size -= 0.25f) {
        Typeface bold(kBoldItalicFont, size), regular(kItalicFont, size);
        if (!bold.Valid() || !regular.Valid()) {
            return std::nullopt;
        }
        if (kTitleLeft + bold.Measure(brand) + regular.Measure(product) <= 224 - 8) {
            break;
        }
    }
    Typeface bold(kBoldItalicFont, size), regular(kItalicFont, size);
    float x = kTitleLeft;
    x += bold.Draw(canvas, x, kTitleBaseline, brand, kTitleGreyDark);
    x += regular.Draw(canvas, x, kTitleBaseline, product, kTitleGrey);
    if (!badge) {
        return canvas;
    }
    Typeface small(kBoldFont, 9);
    if (!small.Valid()) {
        return std::nullopt;
    }
    const std::string label = "x64";
    float labelWidth = small.Measure(label);
    float left = std::round(x + 6), right = std::round(left + labelWidth + 8);
    float top = kTitleBaseline - 11, bottom = kTitleBaseline + 1;
    canvas.FillShape([&](Point p) { return RoundRectDistance(p, left, top, right, bottom, 2.5f); },
                     Hex(0xA3A3A3));
    small.Draw(canvas, left + 4, bottom - 3, label, kFeature);
    return canvas;
}

// ---------------------------------------------------------------------------------------------
// The full-window picture: soft coloured shapes on white with the logo in the middle, exactly where
// the setup window shows its emblem, so that the reveal animation hands over without a jump.

constexpr int kEmblemLeft = 156;
constexpr int kEmblemTop = 22;

Canvas Background() {
    Canvas canvas(622, 405);
    canvas.Fill(kWhite);
    // The close and minimise buttons of the finish page are drawn on white: keep their corner so.
    auto clearCorner = [](Point p) {
        float d = RoundRectDistance(p, 560, -40, 700, 36, 4);
        return SmoothStep(0, 70, d);
    };
    struct Glow {
        Point centre;
        float spread;
        Colour colour;
        float strength;
    };
    const Glow glows[] = {
        {{30, 340}, 150, kBlue, 0.16f},     {{610, 300}, 135, kMagenta, 0.13f},
        {{110, 30}, 105, kPurple, 0.09f},   {{470, 430}, 115, kCoral, 0.08f},
        {{330, 200}, 170, kPurple, 0.035f},
    };
    // Soft bubbles of the brand colours, blurred at the edge.
    struct Bubble {
        Point centre;
        float radius;
        Colour colour;
        float strength;
    };
    const Bubble bubbles[] = {
        {{72, 92}, 40, Hex(0x3D6FE0), 0.07f}, {{548, 118}, 24, kMagenta, 0.09f},
        {{528, 236}, 58, kBlue, 0.06f},       {{96, 226}, 17, kCoral, 0.10f},
        {{40, 160}, 9, kBlue, 0.12f},         {{590, 196}, 11, kAmber, 0.14f},
    };
    for (const Glow& glow : glows) {
        canvas.Paint(
            [&](Point p) {
                float dx = p.x - glow.centre.x, dy = p.y - glow.centre.y;
                float g = std::exp(-(dx * dx + dy * dy) / (2 * glow.spread * glow.spread));
                return glow.strength * g * clearCorner(p);
            },
            [&](Point) { return glow.colour; });
    }
    for (const Bubble& bubble : bubbles) {
        canvas.Paint(
            [&](Point p) {
                float d = CircleDistance(p, bubble.centre, bubble.radius);
                return bubble.strength * (1 - SmoothStep(-2.5f, 2.5f, d)) * clearCorner(p);
            },
            [&](Point) { return bubble.colour; });
    }
    // Two soft waves across the lower part, coloured along their length.
    struct Wave {
        float baseline, amplitude, length, phase, thickness, strength;
    };
    const Wave waves[] = {
        {318, 16, 120, 0.6f, 34, 0.10f},
        {346, 12, 95, 2.4f, 26, 0.08f},
    };
    for (const Wave& wave : waves) {
        canvas.Paint(
            [&](Point p) {
                float centre =
                    wave.baseline + wave.amplitude * std::sin(p.x / wave.length + wave.phase);
                float d = std::abs(p.y - centre) / (wave.thickness / 2);
                float body = 1 - SmoothStep(0.2f, 1.0f, d);
                return wave.strength * body;
            },
            [&](Point p) { return LineGradient(p.x / 622); });
    }
    canvas.Draw(EmblemLayer(LogoForm::Plain), kEmblemLeft, kEmblemTop);
    return canvas;
}

Canvas LargeLogo() {
    Canvas canvas(342, 228);
    canvas.Fill(kWhite);
    DrawLogo(canvas, {{171, 110}, 88}, LogoForm::Plain);
    return canvas;
}

// ---------------------------------------------------------------------------------------------

struct Entry {
    BitmapFormat format;
    std::function<std::optional<Canvas>()> draw;
};

template <class F>
std::function<std::optional<Canvas>()> Always(F f) {
    return [f]() -> std::optional<Canvas> { return f(); };
}

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = {
        // Emblems.
        {{190, 311, 311, 24}, Always([] { return Emblem(LogoForm::Plain); })},
        {{132, 311, 311, 24}, Always([] { return Emblem(LogoForm::Bare); })},
        {{183, 311, 311, 24}, Always([] { return Emblem(LogoForm::Ringed); })},
        {{182, 311, 311, 24}, Always([] { return Emblem(LogoForm::Grey); })},
        {{185, 622, 405, 24}, Always(Background)},
        // Titles.
        {{138, 224, 38, 24}, [] { return Title(false); }},
        {{139, 224, 38, 24}, [] { return Title(false); }},
        {{187, 259, 38, 24}, [] { return Title(true); }},
        {{188, 259, 38, 24}, [] { return Title(true); }},
        // Close and minimise buttons of the setup window.
        {{140, 17, 21, 24}, Always([] { return CloseButton(kWhite, kGlyphGrey); })},
        {{143, 17, 21, 24}, Always([] { return CloseButton(kCoral, kWhite); })},
        {{142, 17, 21, 24}, Always([] { return CloseButton(kCoralPressed, kWhite); })},
        {{148, 17, 21, 24}, Always([] { return CloseButton(kWhite, kGlyphGrey); })},
        {{144, 17, 21, 24}, Always([] { return MinimiseButton(kWhite); })},
        {{147, 17, 21, 24}, Always([] { return MinimiseButton(Hex(0xF0F0F0)); })},
        {{146, 17, 21, 24}, Always([] { return MinimiseButton(Hex(0xE2E2E2)); })},
        {{149, 17, 21, 24}, Always([] { return MinimiseButton(kWhite); })},
        {{151, 17, 21, 24}, Always([] { return MinimiseButton(Hex(0xF0F0F0)); })},
        {{150, 17, 21, 24}, Always([] { return MinimiseButton(Hex(0xE2E2E2)); })},
        // Check boxes.
        {{157, 14, 14, 24}, Always([] { return CheckBox(false, false); })},
        {{158, 14, 14, 24}, Always([] { return CheckBox(false, true); })},
        {{159, 14, 14, 24}, Always([] { return CheckBox(true, false); })},
        {{160, 14, 14, 24}, Always([] { return CheckBox(true, true); })},
        // The custom panel's chevrons.
        {{165, 13, 7, 24}, Always([] { return Chevron(false, Hex(0xA3C0CE)); })},
        {{166, 13, 7, 24}, Always([] { return Chevron(false, Hex(0x78A3E3)); })},
        {{167, 13, 7, 24}, Always([] { return Chevron(true, Hex(0xC4D5DF)); })},
        {{168, 13, 7, 24}, Always([] { return Chevron(true, Hex(0x78A3E3)); })},
        // Browse-folder button.
        {{169, 26, 26, 32}, Always([] { return Folder(Hex(0x7B8DA6)); })},
        {{170, 26, 26, 32}, Always([] { return Folder(Hex(0x4DA2EC)); })},
        {{171, 26, 26, 32}, Always([] { return Folder(Hex(0x9A9A9A)); })},
        // Message box.
        {{176, 100, 32, 24}, Always([] { return MessageButton(kPurple); })},
        {{174, 100, 32, 24}, Always([] { return MessageButton(kPurpleHover); })},
        {{177, 100, 32, 24}, Always([] { return MessageButton(kPurplePressed); })},
        {{161, 100, 32, 24}, Always([] { return MessageButton(kPurplePressed); })},
        {{163, 100, 32, 24}, Always([] { return MessageButton(kPurple); })},
        {{162, 100, 32, 24}, Always([] { return MessageButton(kPurpleHover); })},
        {{179, 17, 21, 24}, Always([] { return CloseButton(Hex(0x4E4BB6), kWhite); })},
        {{178, 17, 21, 24}, Always([] { return CloseButton(Hex(0x4169DD), kWhite); })},
        {{180, 17, 21, 24}, Always([] { return CloseButton(Hex(0x2554DE), kWhite); })},
        {{175, 30, 30, 24}, Always(WarningIcon)},
        // Pieces no window shows, kept so that every id of the set yields its image.
        {{184, 9, 9, 24}, Always(Dot)},
        {{135, 622, 1, 24}, Always([] { return HorizontalGradient(622, 1, LineGradient); })},
        {{153, 622, 1, 24}, Always([] { return Flat(622, 1, kWhite); })},
        {{154, 342, 228, 32}, Always(LargeLogo)},
        {{155, 602, 10, 24}, Always([] {
             return HorizontalGradient(602, 10,
                                       [](float t) { return MixPerceptual(kPurple, kMagenta, t); });
         })},
        {{156, 602, 10, 24}, Always([] { return Flat(602, 10, Hex(0xD7D7D7)); })},
    };
    return entries;
}

} // namespace

const std::vector<BitmapFormat>& BitmapFormats() {
    static const std::vector<BitmapFormat> formats = [] {
        std::vector<BitmapFormat> list;
        for (const Entry& entry : Entries()) {
            list.push_back(entry.format);
        }
        return list;
    }();
    return formats;
}

std::vector<uint8_t> RenderBitmap(int id) {
    for (const Entry& entry : Entries()) {
        if (entry.format.id != id) {
            continue;
        }
        std::optional<Canvas> canvas = entry.draw();
        if (!canvas || canvas->Width() != entry.format.width ||
            canvas->Height() != entry.format.height) {
            return {};
        }
        return EncodeBmp(*canvas, entry.format.bitsPerPixel);
    }
    return {};
}

std::vector<uint8_t> RenderIcon() {
    // Transparent around the disc, so that the window manager's own ground shows through.
    Canvas canvas(256, 256);
    DrawLogo(canvas, {{128, 128}, 120}, LogoForm::Bare);
    return EncodePng(canvas);
}

} // namespace skinart

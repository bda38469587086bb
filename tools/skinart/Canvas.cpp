#include "tools/skinart/Canvas.h"

namespace skinart {

namespace {

float ToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float ToGamma(float v) {
    v = Clamp01(v);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
}

struct Lab {
    float l, a, b;
};

// OKLab as published by its author (Björn Ottosson, 2020).
Lab ToOklab(Colour c) {
    float r = ToLinear(c.r), g = ToLinear(c.g), b = ToLinear(c.b);
    float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

Colour FromOklab(Lab c) {
    float l = c.l + 0.3963377774f * c.a + 0.2158037573f * c.b;
    float m = c.l - 0.1055613458f * c.a - 0.0638541728f * c.b;
    float s = c.l - 0.0894841775f * c.a - 1.2914855480f * c.b;
    l = l * l * l;
    m = m * m * m;
    s = s * s * s;
    return {ToGamma(4.0767416621f * l - 3.3077115913f * m + 0.2309699292f * s),
            ToGamma(-1.2684380046f * l + 2.6097574011f * m - 0.3413193965f * s),
            ToGamma(-0.0041960863f * l - 0.7034186147f * m + 1.7076147010f * s)};
}

} // namespace

Colour Hex(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f};
}

Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour MixPerceptual(Colour a, Colour b, float t) {
    Lab x = ToOklab(a), y = ToOklab(b);
    return FromOklab({x.l + (y.l - x.l) * t, x.a + (y.a - x.a) * t, x.b + (y.b - x.b) * t});
}

Colour Lighten(Colour c, float t) {
    return Mix(c, Colour{1, 1, 1}, t);
}

Colour Darken(Colour c, float t) {
    return Mix(c, Colour{0, 0, 0}, t);
}

float Lightness(Colour c) {
    return ToOklab(c).l;
}

float SmoothStep(float edge0, float edge1, float v) {
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

float CircleDistance(Point p, Point centre, float radius) {
    return std::hypot(p.x - centre.x, p.y - centre.y) - radius;
}

float EllipseDistance(Point p, Point centre, float rx, float ry) {
    // Scaled-circle distance, corrected by the gradient length: exact enough for the mildly
    // elongated ellipses of the artwork.
    float dx = (p.x - centre.x) / rx, dy = (p.y - centre.y) / ry;
    float k = std::hypot(dx, dy);
    float gradient = std::hypot(dx / rx, dy / ry);
    if (gradient < 1e-6f) {
        return -std::min(rx, ry);
    }
    return k * (k - 1) / gradient;
}

float RoundRectDistance(Point p, float left, float top, float right, float bottom, float radius) {
    float cx = (left + right) / 2, cy = (top + bottom) / 2;
    float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    float qx = std::abs(p.x - cx) - hx, qy = std::abs(p.y - cy) - hy;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    float inside = std::min(std::max(qx, qy), 0.0f);
    return outside + inside - radius;
}

float SegmentDistance(Point p, Point a, Point b) {
    Point pa{p.x - a.x, p.y - a.y}, ba{b.x - a.x, b.y - a.y};
    float lengthSquared = ba.x * ba.x + ba.y * ba.y;
    float h = lengthSquared > 0 ? Clamp01((pa.x * ba.x + pa.y * ba.y) / lengthSquared) : 0;
    return std::hypot(pa.x - ba.x * h, pa.y - ba.y * h);
}

float PolylineDistance(Point p, const std::vector<Point>& points) {
    float best = 1e9f;
    for (size_t i = 1; i < points.size(); ++i) {
        best = std::min(best, SegmentDistance(p, points[i - 1], points[i]));
    }
    return best;
}

float PolygonDistance(Point p, const std::vector<Point>& points) {
    // Distance to the nearest edge, negative when the point is inside by the crossing rule.
    float best = 1e9f;
    bool inside = false;
    size_t n = points.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        Point a = points[j], b = points[i];
        best = std::min(best, SegmentDistance(p, a, b));
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside ? -best : best;
}

void Canvas::Fill(Colour c) {
    for (Pixel& p : m_pixels) {
        p = {c.r, c.g, c.b, 1};
    }
}

void Canvas::Blend(int x, int y, Colour c, float alpha) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || alpha <= 0) {
        return;
    }
    Pixel& p = At(x, y);
    float keep = 1 - alpha;
    p.r = c.r * alpha + p.r * keep;
    p.g = c.g * alpha + p.g * keep;
    p.b = c.b * alpha + p.b * keep;
    p.a = alpha + p.a * keep;
}

void Canvas::Draw(const Canvas& other, int x, int y) {
    for (int sy = 0; sy < other.Height(); ++sy) {
        for (int sx = 0; sx < other.Width(); ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= m_width || dy >= m_height) {
                continue;
            }
            const Pixel& s = other.At(sx, sy);
            Pixel& d = At(dx, dy);
            float keep = 1 - s.a;
            d = {s.r + d.r * keep, s.g + d.g * keep, s.b + d.b * keep, s.a + d.a * keep};
        }
    }
}

void Canvas::Quantise(int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) const {
    const Pixel& p = At(x, y);
    float ground = 1 - p.a;
    auto level = [](float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
    *r = level(p.r + ground);
    *g = level(p.g + ground);
    *b = level(p.b + ground);
}

} // namespace skinart

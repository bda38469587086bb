#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The skin art generator's drawing surface: floating-point colours, shapes given as signed distance
// functions and anti-aliased by their distance to the pixel centre, soft shapes by a coverage
// function. Nothing here knows which bitmap it is drawing.
namespace skinart {

// An sRGB colour, each component 0 to 1.
struct Colour {
    float r = 0;
    float g = 0;
    float b = 0;
};

// #RRGGBB as written in the art's palette.
Colour Hex(uint32_t rgb);
Colour Mix(Colour a, Colour b, float t);
// Mixes in the OKLab space, so that a gradient between two saturated colours stays bright instead
// of passing through grey.
Colour MixPerceptual(Colour a, Colour b, float t);
Colour Lighten(Colour c, float t); // towards white
Colour Darken(Colour c, float t);  // towards black
// Perceived lightness, 0 for black to 1 for white.
float Lightness(Colour c);

struct Point {
    float x = 0;
    float y = 0;
};

inline float Clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

// Coverage of a pixel whose centre lies at signed distance d (pixels, negative inside) from an
// edge: a one-pixel ramp, which keeps straight edges crisp and curves smooth.
inline float EdgeCoverage(float d) {
    return Clamp01(0.5f - d);
}

float SmoothStep(float edge0, float edge1, float v);

// Signed distances, in pixels, of the shapes the artwork is made of.
float CircleDistance(Point p, Point centre, float radius);
float EllipseDistance(Point p, Point centre, float rx, float ry);
float RoundRectDistance(Point p, float left, float top, float right, float bottom, float radius);
float SegmentDistance(Point p, Point a, Point b);
// Distance to an open polyline (a stroke's centre line); subtract half the stroke width.
float PolylineDistance(Point p, const std::vector<Point>& points);
// Signed distance to a closed polygon (any winding).
float PolygonDistance(Point p, const std::vector<Point>& points);

class Canvas {
public:
    struct Pixel {
        float r = 0, g = 0, b = 0, a = 0; // premultiplied
    };

    Canvas(int width, int height) : m_width(width), m_height(height), m_pixels(width * height) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const Pixel& At(int x, int y) const { return m_pixels[x + y * m_width]; }
    Pixel& At(int x, int y) { return m_pixels[x + y * m_width]; }

    void Fill(Colour c);
    // Composites c over the pixel with the given alpha.
    void Blend(int x, int y, Colour c, float alpha);

    // Paints every pixel with coverage (x, y) > 0 in the colour paint (x, y); both are called with
    // the pixel centre. Only pixels inside [left, right) × [top, bottom) are visited.
    template <class Coverage, class Shade>
    void Paint(Coverage coverage, Shade paint, float left, float top, float right, float bottom) {
        int x0 = std::max(0, static_cast<int>(std::floor(left)));
        int y0 = std::max(0, static_cast<int>(std::floor(top)));
        int x1 = std::min(m_width, static_cast<int>(std::ceil(right)));
        int y1 = std::min(m_height, static_cast<int>(std::ceil(bottom)));
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                Point p{x + 0.5f, y + 0.5f};
                float alpha = coverage(p);
                if (alpha > 0) {
                    Blend(x, y, paint(p), std::min(alpha, 1.0f));
                }
            }
        }
    }

    template <class Coverage, class Shade>
    void Paint(Coverage coverage, Shade paint) {
        Paint(coverage, paint, 0, 0, static_cast<float>(m_width), static_cast<float>(m_height));
    }

    // A shape given by its signed distance function, in one colour or a colour per point.
    template <class Distance>
    void FillShape(Distance distance, Colour colour, float opacity = 1) {
        Paint([&](Point p) { return EdgeCoverage(distance(p)) * opacity; },
              [&](Point) { return colour; });
    }

    template <class Distance, class Shade>
    void ShadeShape(Distance distance, Shade shade, float opacity = 1) {
        Paint([&](Point p) { return EdgeCoverage(distance(p)) * opacity; }, shade);
    }

    // Copies another canvas over this one at (x, y), compositing by its alpha.
    void Draw(const Canvas& other, int x, int y);

    // The opaque colour of a pixel over a white ground, as 8-bit components.
    void Quantise(int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) const;

private:
    int m_width;
    int m_height;
    std::vector<Pixel> m_pixels;
};

} // namespace skinart

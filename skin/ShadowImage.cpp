#include "skin/ShadowImage.h"

#include <algorithm>
#include <cmath>

namespace skin {
namespace {

// A row's extent [start, end). An empty row starts far right and ends far left, so that the
// largest-start and smallest-end rules of the erosion and of the outline treat it as nothing.
struct Span {
    int32_t start;
    int32_t end;
    bool IsEmpty() const { return start >= end; }
};
constexpr int32_t kFar = 1 << 20;
constexpr Span kEmptySpan{kFar, -kFar};

std::vector<Span> ParentSpans(int32_t width, int32_t height, const ShadowShape& shape) {
    std::vector<Span> spans(static_cast<size_t>(height), kEmptySpan);
    for (int32_t y = 0; y < height; ++y) {
        if (!shape) {
            spans[y] = Span{0, width};
            continue;
        }
        int32_t first = 0;
        while (first < width && !shape(first, y)) {
            ++first;
        }
        if (first == width) {
            continue;
        }
        int32_t last = width - 1;
        while (last > first && !shape(last, y)) {
            --last;
        }
        spans[y] = Span{first, last + 1};
    }
    return spans;
}

Span RowOrEmpty(const std::vector<Span>& rows, int32_t y) {
    return y >= 0 && y < static_cast<int32_t>(rows.size()) ? rows[y] : kEmptySpan;
}

// One pass shrinks the shape by a pixel on every side: a row keeps only what it shares with
// both neighbours, one pixel further in.
std::vector<Span> Erode(const std::vector<Span>& rows) {
    std::vector<Span> eroded(rows.size(), kEmptySpan);
    for (int32_t y = 0; y < static_cast<int32_t>(rows.size()); ++y) {
        Span above = RowOrEmpty(rows, y - 1);
        Span below = RowOrEmpty(rows, y + 1);
        Span next{std::max({above.start, rows[y].start, below.start}) + 1,
                  std::min({above.end, rows[y].end, below.end}) - 1};
        eroded[y] = next.IsEmpty() ? kEmptySpan : next;
    }
    return eroded;
}

uint32_t PremultipliedPixel(uint32_t color, uint32_t alpha) {
    uint32_t red = (color & 0xFF) * alpha / 255;
    uint32_t green = ((color >> 8) & 0xFF) * alpha / 255;
    uint32_t blue = ((color >> 16) & 0xFF) * alpha / 255;
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

class Kernel {
public:
    explicit Kernel(const ShadowParams& p) {
        const int32_t size = p.size;
        m_radius = std::max<int32_t>(p.sharpness, size);
        const int32_t solid = size > p.sharpness ? size - p.sharpness : 0;
        const int32_t side = 2 * m_radius + 1;
        m_pixels.assign(static_cast<size_t>(side) * side, 0);
        for (int32_t dy = -m_radius; dy <= m_radius; ++dy) {
            for (int32_t dx = -m_radius; dx <= m_radius; ++dx) {
                double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
                uint32_t alpha = 0;
                if (d < solid) {
                    alpha = p.darkness;
                } else if (d <= m_radius) {
                    alpha =
                        static_cast<uint32_t>((1 - (d - solid) / (p.sharpness + 1)) * p.darkness);
                } else {
                    continue;
                }
                m_pixels[(dy + m_radius) * side + dx + m_radius] =
                    PremultipliedPixel(p.color, alpha);
            }
        }
    }

    // Writes the kernel centred on (x, y) wherever it is larger than what the image holds.
    void Stamp(ShadowImage& image, int32_t x, int32_t y) const {
        const int32_t side = 2 * m_radius + 1;
        for (int32_t ky = 0; ky < side; ++ky) {
            int32_t py = y + ky - m_radius;
            if (py < 0 || py >= image.height) {
                continue;
            }
            uint32_t* row = image.pixels.data() + static_cast<size_t>(py) * image.width;
            const uint32_t* kernelRow = m_pixels.data() + static_cast<size_t>(ky) * side;
            int32_t from = std::max(0, m_radius - x);
            int32_t to = std::min(side, image.width - x + m_radius);
            for (int32_t kx = from; kx < to; ++kx) {
                uint32_t& pixel = row[x + kx - m_radius];
                pixel = std::max(pixel, kernelRow[kx]);
            }
        }
    }

private:
    int32_t m_radius = 0;
    std::vector<uint32_t> m_pixels;
};

// Centres the kernel on every outline pixel of every row: the part of the row that sticks out
// beyond the rows above and below on either side (the whole row when a neighbour is empty).
void DrawEdges(ShadowImage& image, const std::vector<Span>& rows, const Kernel& kernel) {
    for (int32_t y = 0; y < image.height; ++y) {
        Span row = rows[y];
        if (row.IsEmpty()) {
            continue;
        }
        Span above = RowOrEmpty(rows, y - 1);
        Span below = RowOrEmpty(rows, y + 1);
        int32_t leftEnd = std::min(row.end, std::max(above.start, below.start) + 1);
        for (int32_t x = row.start; x < leftEnd; ++x) {
            kernel.Stamp(image, x, y);
        }
        int32_t rightStart = std::max({row.start, leftEnd, std::min(above.end, below.end) - 1});
        for (int32_t x = rightStart; x < row.end; ++x) {
            kernel.Stamp(image, x, y);
        }
    }
}

// The inside of the shape is solid, except where the parent itself lies, which stays clear.
void FillInside(ShadowImage& image, const std::vector<Span>& rows,
                const std::vector<Span>& parentRows, const ShadowParams& p) {
    const uint32_t solid = PremultipliedPixel(p.color, p.darkness);
    const int32_t parentLeft = p.size - p.xOffset;
    const int32_t parentTop = p.size - p.yOffset;
    for (int32_t y = 0; y < image.height; ++y) {
        Span row = rows[y];
        if (row.IsEmpty()) {
            continue;
        }
        Span hole = RowOrEmpty(parentRows, y - parentTop);
        if (!hole.IsEmpty()) {
            hole = Span{hole.start + parentLeft, hole.end + parentLeft};
        }
        uint32_t* pixels = image.pixels.data() + static_cast<size_t>(y) * image.width;
        for (int32_t x = std::max(row.start, 0); x < std::min(row.end, image.width); ++x) {
            pixels[x] = x >= hole.start && x < hole.end ? 0 : solid;
        }
    }
}

} // namespace

ShadowImage RenderShadowImage(const ShadowParams& params, int32_t parentWidth, int32_t parentHeight,
                              const ShadowShape& shape) {
    ShadowImage image;
    const int32_t size = params.size;
    image.width = parentWidth + 2 * size;
    image.height = parentHeight + 2 * size;
    if (parentWidth <= 0 || parentHeight <= 0 || image.width <= 0 || image.height <= 0) {
        return ShadowImage{};
    }
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);

    std::vector<Span> parentRows = ParentSpans(parentWidth, parentHeight, shape);
    std::vector<Span> rows(static_cast<size_t>(image.height), kEmptySpan);
    for (int32_t y = 0; y < parentHeight; ++y) {
        int32_t target = y + size;
        if (target >= 0 && target < image.height && !parentRows[y].IsEmpty()) {
            rows[target] = Span{parentRows[y].start + size, parentRows[y].end + size};
        }
    }
    for (int32_t pass = 0; pass < params.sharpness - size; ++pass) {
        rows = Erode(rows);
    }
    DrawEdges(image, rows, Kernel(params));
    FillInside(image, rows, parentRows, params);
    return image;
}

} // namespace skin

#include "folders/FolderImages.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/ComError.h"

namespace gleaner {

namespace {

constexpr int kDesignSize = 16; // the grid the pictures are drawn on
constexpr COLORREF kClear = RGB(255, 0, 255); // the image lists' mask colour

// One picture, drawn on a 16 x 16 grid and rendered at `size` pixels: every shape is tested
// per output pixel at that pixel's place on the grid, so a larger picture gets smooth edges
// and thin lines instead of blown-up blocks. At 16 pixels the grid is the output.
class Picture {
public:
    explicit Picture(int size = kDesignSize)
        : size_(size), pixels_(static_cast<size_t>(size) * static_cast<size_t>(size), kClear)
    {
    }

    int Size() const noexcept { return size_; }
    const std::vector<COLORREF>& Pixels() const noexcept { return pixels_; }

    void Set(int x, int y, COLORREF c) { Fill(x, y, x, y, c); }
    // The grid cells x0..x1, y0..y1.
    void Fill(int x0, int y0, int x1, int y1, COLORREF c)
    {
        Paint([&](double u, double v) { return u >= x0 - 0.5 && u < x1 + 0.5 && v >= y0 - 0.5 && v < y1 + 0.5; },
              c);
    }
    void Frame(int x0, int y0, int x1, int y1, COLORREF c)
    {
        Line(x0, y0, x1, y0, c);
        Line(x0, y1, x1, y1, c);
        Line(x0, y0, x0, y1, c);
        Line(x1, y0, x1, y1, c);
    }
    // One grid cell wide, between the centres of two cells.
    void Line(int x0, int y0, int x1, int y1, COLORREF c)
    {
        if (size_ == kDesignSize) return GridLine(x0, y0, x1, y1, c);
        if (x0 == x1 || y0 == y1) return Fill(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1), c);
        const double dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
        Paint(
            [&](double u, double v) {
                const double t = std::clamp(((u - x0) * dx + (v - y0) * dy) / length2, 0.0, 1.0);
                const double du = u - (x0 + t * dx), dv = v - (y0 + t * dy);
                return du * du + dv * dv <= 0.25;
            },
            c);
    }
    // Filled with `fill`, its outermost ring of about one cell in `edge`.
    void Disc(int cx, int cy, int r, COLORREF fill, COLORREF edge)
    {
        Paint([&](double u, double v) { return Distance2(u, v, cx, cy) <= r * r; }, fill);
        Paint(
            [&](double u, double v) {
                const double d = Distance2(u, v, cx, cy);
                return d <= r * r && d >= (r - 1) * (r - 1) + 1;
            },
            edge);
    }
    // Every output pixel whose place on the grid satisfies `inside`.
    template <typename Inside>
    void Paint(Inside inside, COLORREF c)
    {
        const double scale = static_cast<double>(size_) / kDesignSize;
        for (int y = 0; y < size_; ++y) {
            for (int x = 0; x < size_; ++x) {
                // The pixel's centre on the grid, where cell k's centre is k.
                const double u = (x + 0.5) / scale - 0.5, v = (y + 0.5) / scale - 0.5;
                if (inside(u, v)) pixels_[static_cast<size_t>(y * size_ + x)] = c;
            }
        }
    }

private:
    static double Distance2(double u, double v, int cx, int cy) { return (u - cx) * (u - cx) + (v - cy) * (v - cy); }

    // Bresenham's line on the grid itself: the 16-pixel pictures stay exactly as designed.
    void GridLine(int x0, int y0, int x1, int y1, COLORREF c)
    {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            if (x0 >= 0 && x0 < size_ && y0 >= 0 && y0 < size_) pixels_[static_cast<size_t>(y0 * size_ + x0)] = c;
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }

    int size_;
    std::vector<COLORREF> pixels_;
};

const COLORREF kOutline = RGB(70, 70, 70);
const COLORREF kWhite = RGB(255, 255, 255);

Picture Blank(int size) { return Picture(size); }

Picture Folder(int size)
{
    Picture p(size);
    p.Fill(1, 2, 6, 4, RGB(230, 180, 40));
    p.Fill(1, 4, 14, 13, RGB(255, 214, 80));
    p.Frame(1, 4, 14, 13, RGB(180, 130, 20));
    p.Line(1, 2, 6, 2, RGB(180, 130, 20));
    p.Line(1, 2, 1, 4, RGB(180, 130, 20));
    p.Line(6, 2, 7, 4, RGB(180, 130, 20));
    p.Line(2, 5, 13, 5, RGB(255, 236, 150));
    return p;
}

Picture Calendar(int size)
{
    Picture p(size);
    p.Fill(2, 2, 13, 14, kWhite);
    p.Frame(2, 2, 13, 14, kOutline);
    p.Fill(3, 3, 12, 5, RGB(200, 40, 40));
    p.Fill(5, 1, 5, 3, kOutline);
    p.Fill(10, 1, 10, 3, kOutline);
    for (int y = 7; y <= 13; y += 2)
        for (int x = 4; x <= 11; x += 2) p.Set(x, y, RGB(140, 140, 140));
    p.Fill(8, 9, 9, 10, RGB(200, 40, 40));
    return p;
}

Picture AddressCard(int size)
{
    Picture p(size);
    p.Fill(1, 3, 14, 12, RGB(255, 248, 225));
    p.Frame(1, 3, 14, 12, RGB(120, 100, 60));
    p.Disc(4, 6, 2, RGB(60, 90, 180), RGB(60, 90, 180));
    p.Fill(2, 9, 6, 11, RGB(60, 90, 180));
    p.Line(8, 6, 12, 6, kOutline);
    p.Line(8, 8, 12, 8, kOutline);
    p.Line(8, 10, 11, 10, kOutline);
    return p;
}

Picture Task(int size)
{
    Picture p(size);
    p.Fill(3, 2, 12, 15, RGB(150, 100, 50));
    p.Fill(4, 4, 11, 14, kWhite);
    p.Fill(6, 1, 9, 3, RGB(130, 130, 130));
    const COLORREF red = RGB(210, 30, 30);
    p.Line(5, 9, 7, 11, red);
    p.Line(7, 11, 10, 6, red);
    p.Line(5, 10, 7, 12, red);
    p.Line(7, 12, 10, 7, red);
    return p;
}

Picture Journal(int size)
{
    Picture p(size);
    p.Fill(2, 1, 11, 14, RGB(40, 150, 70));
    p.Fill(2, 1, 3, 14, RGB(20, 90, 40));
    p.Line(11, 2, 11, 13, RGB(230, 230, 210));
    p.Disc(11, 11, 4, kWhite, RGB(20, 20, 20));
    p.Line(11, 11, 11, 8, RGB(20, 20, 20));
    p.Line(11, 11, 13, 11, RGB(20, 20, 20));
    return p;
}

Picture Note(int size)
{
    Picture p(size);
    const COLORREF paper = RGB(255, 240, 120), edge = RGB(200, 170, 40);
    p.Fill(2, 2, 13, 13, paper);
    p.Frame(2, 2, 13, 13, edge);
    // Folded corner at the bottom right.
    p.Paint([](double u, double v) { return u >= 8.5 && v >= 8.5 && u + v > 22.5; }, kClear);
    p.Line(9, 13, 13, 9, edge);
    p.Fill(10, 10, 10, 11, RGB(230, 200, 80));
    p.Line(4, 5, 11, 5, RGB(160, 140, 60));
    p.Line(4, 8, 11, 8, RGB(160, 140, 60));
    p.Line(4, 11, 7, 11, RGB(160, 140, 60));
    return p;
}

Picture Box(int size, bool ticked)
{
    Picture p(size);
    p.Fill(2, 2, 13, 13, kWhite);
    p.Frame(2, 2, 13, 13, kOutline);
    if (ticked) {
        const COLORREF green = RGB(0, 150, 0);
        for (int dy = 0; dy <= 1; ++dy) {
            p.Line(4, 7 + dy, 6, 9 + dy, green);
            p.Line(6, 9 + dy, 11, 4 + dy, green);
        }
    }
    return p;
}

void Add(HIMAGELIST list, const Picture& picture)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.Size();
    info.bmiHeader.biHeight = -picture.Size(); // top-down rows, as the picture stores them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) ThrowLastError();
    auto* out = static_cast<std::uint32_t*>(bits);
    for (size_t i = 0; i < picture.Pixels().size(); ++i) {
        COLORREF c = picture.Pixels()[i];
        out[i] = (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
                 GetBValue(c);
    }
    ::GdiFlush();
    if (::ImageList_AddMasked(list, static_cast<HBITMAP>(bitmap.get()), kClear) < 0) ThrowLastError();
}

UniqueHimagelist MakeList(int size, std::initializer_list<Picture> pictures)
{
    UniqueHimagelist list(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, static_cast<int>(pictures.size()), 0));
    if (!list) ThrowLastError();
    for (const Picture& picture : pictures) Add(list.get(), picture);
    return list;
}

} // namespace

UniqueHimagelist CreateFolderImages(int size)
{
    return MakeList(size, {Blank(size), Folder(size), Calendar(size), AddressCard(size), Task(size), Journal(size),
                           Note(size)});
}

UniqueHimagelist CreateTickImages(int size)
{
    return MakeList(size, {Blank(size), Box(size, false), Box(size, true)});
}

} // namespace gleaner

#include "folders/FolderImages.h"

#include <array>
#include <cstdlib>
#include <cstdint>
#include <initializer_list>

#include "platform/ComError.h"

namespace gleaner {

namespace {

constexpr int kSize = 16;
constexpr COLORREF kClear = RGB(255, 0, 255); // the image lists' mask colour

// One picture as 16 x 16 colours, with the few shapes the pictures need.
struct Picture {
    std::array<COLORREF, kSize * kSize> pixels;
    Picture() { pixels.fill(kClear); }

    void Set(int x, int y, COLORREF c)
    {
        if (x >= 0 && x < kSize && y >= 0 && y < kSize) pixels[static_cast<size_t>(y * kSize + x)] = c;
    }
    void Fill(int x0, int y0, int x1, int y1, COLORREF c)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, COLORREF c)
    {
        Line(x0, y0, x1, y0, c);
        Line(x0, y1, x1, y1, c);
        Line(x0, y0, x0, y1, c);
        Line(x1, y0, x1, y1, c);
    }
    void Line(int x0, int y0, int x1, int y1, COLORREF c)
    {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }
    void Disc(int cx, int cy, int r, COLORREF fill, COLORREF edge)
    {
        for (int y = cy - r; y <= cy + r; ++y) {
            for (int x = cx - r; x <= cx + r; ++x) {
                int d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d <= r * r) Set(x, y, d >= (r - 1) * (r - 1) + 1 ? edge : fill);
            }
        }
    }
};

const COLORREF kOutline = RGB(70, 70, 70);
const COLORREF kWhite = RGB(255, 255, 255);

Picture Blank() { return Picture(); }

Picture Folder()
{
    Picture p;
    p.Fill(1, 2, 6, 4, RGB(230, 180, 40));
    p.Fill(1, 4, 14, 13, RGB(255, 214, 80));
    p.Frame(1, 4, 14, 13, RGB(180, 130, 20));
    p.Line(1, 2, 6, 2, RGB(180, 130, 20));
    p.Line(1, 2, 1, 4, RGB(180, 130, 20));
    p.Line(6, 2, 7, 4, RGB(180, 130, 20));
    p.Line(2, 5, 13, 5, RGB(255, 236, 150));
    return p;
}

Picture Calendar()
{
    Picture p;
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

Picture AddressCard()
{
    Picture p;
    p.Fill(1, 3, 14, 12, RGB(255, 248, 225));
    p.Frame(1, 3, 14, 12, RGB(120, 100, 60));
    p.Disc(4, 6, 2, RGB(60, 90, 180), RGB(60, 90, 180));
    p.Fill(2, 9, 6, 11, RGB(60, 90, 180));
    p.Line(8, 6, 12, 6, kOutline);
    p.Line(8, 8, 12, 8, kOutline);
    p.Line(8, 10, 11, 10, kOutline);
    return p;
}

Picture Task()
{
    Picture p;
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

Picture Journal()
{
    Picture p;
    p.Fill(2, 1, 11, 14, RGB(40, 150, 70));
    p.Fill(2, 1, 3, 14, RGB(20, 90, 40));
    p.Line(11, 2, 11, 13, RGB(230, 230, 210));
    p.Disc(11, 11, 4, kWhite, RGB(20, 20, 20));
    p.Line(11, 11, 11, 8, RGB(20, 20, 20));
    p.Line(11, 11, 13, 11, RGB(20, 20, 20));
    return p;
}

Picture Note()
{
    Picture p;
    const COLORREF paper = RGB(255, 240, 120), edge = RGB(200, 170, 40);
    p.Fill(2, 2, 13, 13, paper);
    p.Frame(2, 2, 13, 13, edge);
    // Folded corner at the bottom right.
    for (int y = 9; y <= 13; ++y)
        for (int x = 9; x <= 13; ++x)
            if (x + y > 22) p.Set(x, y, kClear);
    p.Line(9, 13, 13, 9, edge);
    p.Fill(10, 10, 10, 11, RGB(230, 200, 80));
    p.Line(4, 5, 11, 5, RGB(160, 140, 60));
    p.Line(4, 8, 11, 8, RGB(160, 140, 60));
    p.Line(4, 11, 7, 11, RGB(160, 140, 60));
    return p;
}

Picture Box(bool ticked)
{
    Picture p;
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
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize; // top-down rows, as the picture stores them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) ThrowLastError();
    auto* out = static_cast<std::uint32_t*>(bits);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        COLORREF c = picture.pixels[i];
        out[i] = (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
                 GetBValue(c);
    }
    ::GdiFlush();
    if (::ImageList_AddMasked(list, static_cast<HBITMAP>(bitmap.get()), kClear) < 0) ThrowLastError();
}

UniqueHimagelist MakeList(std::initializer_list<Picture> pictures)
{
    UniqueHimagelist list(::ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, static_cast<int>(pictures.size()), 0));
    if (!list) ThrowLastError();
    for (const Picture& picture : pictures) Add(list.get(), picture);
    return list;
}

} // namespace

UniqueHimagelist CreateFolderImages()
{
    return MakeList({Blank(), Folder(), Calendar(), AddressCard(), Task(), Journal(), Note()});
}

UniqueHimagelist CreateTickImages() { return MakeList({Blank(), Box(false), Box(true)}); }

} // namespace gleaner

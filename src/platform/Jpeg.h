#pragma once
// JPEG pictures decoded by libjpeg into top-down 32-bit BGRA pixels, ready for a DIB section.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gleaner {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, row after row from the top

    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Throws std::runtime_error with libjpeg's message when the data is not a readable JPEG.
Bitmap DecodeJpeg(const void* data, size_t size);

// A DIB section holding the picture; the caller owns it.
HBITMAP CreateBitmapHandle(const Bitmap& bitmap);

// The bytes of a resource of the module (RT_RCDATA by default); empty when absent.
std::string LoadResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type = MAKEINTRESOURCEW(10));

} // namespace gleaner

#include "platform/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>

// libjpeg's headers want FILE and size_t declared first.
#include <jpeglib.h>

namespace gleaner {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

// Runs the whole decode; any libjpeg failure returns through longjmp to DecodeJpeg.
void DecodeInto(jpeg_decompress_struct* info, const void* data, size_t size, Bitmap* out)
{
    jpeg_mem_src(info, static_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    out->width = static_cast<int>(info->output_width);
    out->height = static_cast<int>(info->output_height);
    out->pixels.assign(static_cast<size_t>(out->width) * out->height, 0);
    // The row buffer comes from libjpeg's pool: a failure jumps past this frame, and the
    // pool is freed by jpeg_destroy_decompress where a local container would leak.
    JSAMPARRAY rows = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                 info->output_width * info->output_components, 1);
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        jpeg_read_scanlines(info, rows, 1);
        const unsigned char* row = rows[0];
        std::uint32_t* target = out->pixels.data() + static_cast<size_t>(y) * out->width;
        for (int x = 0; x < out->width; ++x) {
            const unsigned char* rgb = row + static_cast<size_t>(x) * 3;
            target[x] = 0xFF000000u | (std::uint32_t(rgb[0]) << 16) | (std::uint32_t(rgb[1]) << 8) | rgb[2];
        }
    }
    jpeg_finish_decompress(info);
}

} // namespace

Bitmap DecodeJpeg(const void* data, size_t size)
{
    if (!data || size == 0) throw std::runtime_error("Empty JPEG data");
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    Bitmap bitmap;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnFatalError;
    errors.base.emit_message = OnMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error(errors.message);
    }
    jpeg_create_decompress(&info);
    DecodeInto(&info, data, size, &bitmap);
    jpeg_destroy_decompress(&info);
    return bitmap;
}

HBITMAP CreateBitmapHandle(const Bitmap& bitmap)
{
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = bitmap.width;
    header.bmiHeader.biHeight = -bitmap.height; // top-down
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP handle = ::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (handle && bits) std::memcpy(bits, bitmap.pixels.data(), bitmap.pixels.size() * sizeof(std::uint32_t));
    return handle;
}

std::string LoadResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    HRSRC resource = ::FindResourceW(module, name, type);
    if (!resource) return {};
    HGLOBAL loaded = ::LoadResource(module, resource);
    DWORD size = ::SizeofResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return {};
    return std::string(static_cast<const char*>(bytes), size);
}

} // namespace gleaner

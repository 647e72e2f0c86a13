#include "Screenshot.h"

#include <wincodec.h>

#include "platform/ComError.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"

namespace gleaner::e2e {

void SaveScreenshot(HWND window, const std::wstring& pngPath)
{
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    UniqueGdiObject picture(::CreateCompatibleBitmap(screen, width, height));
    HGDIOBJ old = ::SelectObject(memory, picture.get());
    ::BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

    ComPtr<IWICImagingFactory> factory;
    CheckHr(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               factory.putVoid()));
    ComPtr<IWICBitmap> bitmap;
    CheckHr(factory->CreateBitmapFromHBITMAP(static_cast<HBITMAP>(picture.get()), nullptr, WICBitmapIgnoreAlpha,
                                             bitmap.put()));
    ComPtr<IWICStream> stream;
    CheckHr(factory->CreateStream(stream.put()));
    CheckHr(stream->InitializeFromFilename(pngPath.c_str(), GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    CheckHr(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
    CheckHr(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> properties;
    CheckHr(encoder->CreateNewFrame(frame.put(), properties.put()));
    CheckHr(frame->Initialize(properties.get()));
    CheckHr(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    CheckHr(frame->SetPixelFormat(&format));
    CheckHr(frame->WriteSource(bitmap.get(), nullptr));
    CheckHr(frame->Commit());
    CheckHr(encoder->Commit());
}

} // namespace gleaner::e2e

// A window as a PNG: captured from its window DC into a DIB section, encoded with the
// platform's imaging component.
#include "Palette.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <wincodec.h>

namespace dkpal
{
HRESULT WriteWindowPng(HWND window, const wchar_t* path)
{
    RETURN_HR_IF(E_INVALIDARG, !window || !path);
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    RETURN_HR_IF(E_FAIL, width <= 0 || height <= 0);

    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC source = ::GetWindowDC(window);
    RETURN_HR_IF(E_FAIL, !source);
    auto releaseSource = dkfw::ScopeExit([&] { ::ReleaseDC(window, source); });
    HDC memory = ::CreateCompatibleDC(source);
    RETURN_HR_IF(E_FAIL, !memory);
    auto deleteMemory = dkfw::ScopeExit([&] { ::DeleteDC(memory); });

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dkfw::UniqueHbitmap dib(::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    RETURN_HR_IF(E_FAIL, !dib || !bits);
    {
        dkfw::SelectObjectScope select(memory, dib.Get());
        RETURN_IF_WIN32_BOOL_FALSE(::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY));
        ::GdiFlush();
    }
    // The screen has no alpha: every pixel is opaque.
    auto* pixels = static_cast<BYTE*>(bits);
    for (int i = 0; i < width * height; ++i)
        pixels[i * 4 + 3] = 255;

    dkfw::ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                        factory.PutVoid()));
    dkfw::ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE));
    dkfw::ComPtr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()));
    RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    dkfw::ComPtr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    RETURN_IF_FAILED(frame->SetPixelFormat(&format));
    RETURN_HR_IF(E_FAIL, format != GUID_WICPixelFormat32bppBGRA);
    RETURN_IF_FAILED(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width * 4),
                                        static_cast<UINT>(width * height * 4), pixels));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}
} // namespace dkpal

#include "console/png_file.h"
#include "console/global_memory.h"
#include "wmi/com_ref.h"

#include <objbase.h>
#include <wincodec.h>

namespace {

// The bitmap as a PNG in a memory stream. Its rows are stored bottom row first; the encoder
// takes them top row first, one at a time.
HRESULT EncodePng(const uint8_t* bitmap, int32_t width, int32_t height, const CaptureLayout& layout,
                  ComRef<IStream>& png) {
    ComRef<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.Put()));
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, png.Put());
    ComRef<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(png.Get(), WICBitmapEncoderNoCache);
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Put(), options.Put());
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    // The encoder may offer another format instead; the rows are in this one only.
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    const uint8_t* rows = bitmap + CaptureHeaderBytes;
    for (int32_t y = height - 1; SUCCEEDED(hr) && y >= 0; --y) {
        BYTE* row = const_cast<BYTE*>(rows + static_cast<size_t>(y) * layout.stride);
        hr = frame->WritePixels(1, layout.stride, layout.stride, row);
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    return hr;
}

HRESULT LastError() { return HRESULT_FROM_WIN32(GetLastError()); }

// Writes the whole block, or removes the file again.
HRESULT WriteWholeFile(const wchar_t* path, const void* data, DWORD size) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    DWORD written = 0;
    HRESULT hr = WriteFile(file, data, size, &written, nullptr) && written == size ? S_OK : LastError();
    if (!CloseHandle(file) && SUCCEEDED(hr)) hr = LastError();
    if (FAILED(hr)) DeleteFileW(path);
    return hr;
}

}  // namespace

HRESULT SavePngFile(const wchar_t* path, const uint8_t* bitmap, int32_t width, int32_t height,
                    const CaptureLayout& layout, WideString& errorText) {
    ComRef<IStream> png;
    HRESULT hr = EncodePng(bitmap, width, height, layout, png);
    if (FAILED(hr)) {
        errorText.Assign(L"cannot encode the picture as PNG");
        return hr;
    }
    STATSTG stat{};
    HGLOBAL block = nullptr;
    hr = png->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(png.Get(), &block);
    if (SUCCEEDED(hr)) {
        LockedGlobal locked(block);
        hr = locked.Data() && stat.cbSize.QuadPart <= locked.Size()
                 ? WriteWholeFile(path, locked.Data(), static_cast<DWORD>(stat.cbSize.QuadPart))
                 : E_OUTOFMEMORY;
    }
    if (FAILED(hr)) errorText.Assign(L"cannot write the file");
    return hr;
}

#include "console/png_file.h"
#include "console/global_memory.h"
#include "wmi/com_ref.h"

#include <objbase.h>
#include <wincodec.h>

#include <cwchar>

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

// A new file beside `path` (its name and a number), open for writing.
HANDLE CreateSibling(const wchar_t* path, WideString& created) {
    for (unsigned n = 0; n < 100; ++n) {
        wchar_t suffix[40];
        std::swprintf(suffix, 40, L".%lu-%u.tmp", static_cast<unsigned long>(GetCurrentProcessId()), n);
        created.Assign(path);
        created.Append(suffix);
        HANDLE file = CreateFileW(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Moves the written file to `path`. A file there is replaced keeping its attributes and security
// (a read-only one is refused); whatever fails leaves it as it was. Someone else may hold the new
// file open for a moment (a search indexer, a virus scanner, the shell reading its icon): asked
// again then, for a second at most.
HRESULT PutInPlace(const wchar_t* written, const wchar_t* path) {
    for (int attempt = 0;; ++attempt) {
        const bool replacing = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
        const BOOL done = replacing
                              ? ReplaceFileW(path, written, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                              : MoveFileExW(written, path, MOVEFILE_WRITE_THROUGH);
        if (done) return S_OK;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION || attempt == 20) return HRESULT_FROM_WIN32(error);
        Sleep(50);
    }
}

// Writes the whole block into a file of its own in the same folder and only then puts it in the
// place of `path`: a write that fails, or stops short, leaves the file it would replace as it was.
HRESULT WriteWholeFile(const wchar_t* path, const void* data, DWORD size) {
    WideString temporary;
    HANDLE file = CreateSibling(path, temporary);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    DWORD written = 0;
    HRESULT hr = WriteFile(file, data, size, &written, nullptr) ? S_OK : LastError();
    // A short write is a failure, whatever the last error says.
    if (SUCCEEDED(hr) && written != size) hr = HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL);
    if (!CloseHandle(file) && SUCCEEDED(hr)) hr = LastError();
    if (SUCCEEDED(hr)) hr = PutInPlace(temporary.c_str(), path);
    if (FAILED(hr)) DeleteFileW(temporary.c_str());
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

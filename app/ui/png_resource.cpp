#include "ui/png_resource.h"

#include <cstring>

#include "base/com_ptr.h"
#include "base/handles.h"

namespace ostrel {
namespace {

// GDI+ may read the stream again after decoding (it decodes lazily), so the bitmap keeps its own
// reference to the stream it came from. The reference is dropped only when the bitmap is deleted.
class StreamBitmap : public Gdiplus::Bitmap {
public:
    explicit StreamBitmap(const base::ComPtr<IStream>& stream) : Gdiplus::Bitmap(stream.Get()), stream_(stream) {}

    // Declared non-throwing so that a failed allocation yields null rather than construction on null.
    static void* operator new(size_t size) noexcept { return Gdiplus::DllExports::GdipAlloc(size); }
    static void operator delete(void* p) noexcept { Gdiplus::DllExports::GdipFree(p); }

private:
    base::ComPtr<IStream> stream_;
};

// A stream over a private copy of the bytes: the resource's own memory is read-only and belongs to
// the module, which may be unloaded while the image is still on screen.
base::ComPtr<IStream> StreamOverCopy(const void* bytes, DWORD size) {
    base::ComPtr<IStream> stream;
    base::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) return stream;
    void* target = ::GlobalLock(block.get());
    if (!target) return stream;
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(block.get());
    // fDeleteOnRelease: from here on the stream frees the block.
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, stream.Put()))) return stream;
    (void)block.release();
    return stream;
}

}  // namespace

Gdiplus::Bitmap* LoadPngResource(UINT id, HMODULE module) {
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!info) return nullptr;
    DWORD size = ::SizeofResource(module, info);
    if (size == 0) return nullptr;
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;

    base::ComPtr<IStream> stream = StreamOverCopy(bytes, size);
    if (!stream) return nullptr;
    Gdiplus::Bitmap* bitmap = new StreamBitmap(stream);
    if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap;
        bitmap = nullptr;
    }
    return bitmap;
}

}  // namespace ostrel

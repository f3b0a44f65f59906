#pragma once
// PNG images stored as resources of type "PNG", for GDI+ drawing.
#include <windows.h>
#include <gdiplus.h>

namespace ostrel {

// A new bitmap of the PNG resource with this number in module, or null when the resource is missing,
// empty or not an image. The caller owns the bitmap and deletes it; the memory it decodes from lives
// exactly as long as the bitmap. GDI+ must be started.
Gdiplus::Bitmap* LoadPngResource(UINT id, HMODULE module);

}  // namespace ostrel

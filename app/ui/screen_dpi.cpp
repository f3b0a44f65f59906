#include "ui/screen_dpi.h"

#include <windows.h>

namespace ostrel {

void ReadScreenDpi(int* dpiX, int* dpiY) {
    *dpiX = *dpiY = 96;
    if (HDC screen = ::GetDC(nullptr)) {
        int x = ::GetDeviceCaps(screen, LOGPIXELSX);
        int y = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        if (x > 0) *dpiX = x;
        if (y > 0) *dpiY = y;
    }
}

}  // namespace ostrel

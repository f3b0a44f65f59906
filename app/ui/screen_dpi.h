#pragma once
// The screen's dpi, which both windows scale their design units by.
namespace ostrel {
// 96 for either axis the screen cannot be asked about.
void ReadScreenDpi(int* dpiX, int* dpiY);
}  // namespace ostrel

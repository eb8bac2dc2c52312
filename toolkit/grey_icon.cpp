#include "toolkit/grey_icon.h"

#include <cstdint>
#include <vector>

namespace {

// Grey of the pixel's brightness, moved half-way to white so it reads as switched off.
uint32_t LightGrey(uint32_t pixel) {
  const uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
  const uint32_t grey = 128 + (red * 30 + green * 59 + blue * 11) / 200;
  return (pixel & 0xFF000000u) | grey << 16 | grey << 8 | grey;
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

TIcon MakeGreyedIcon(HICON icon) {
  ICONINFO parts = {};
  if (!icon || !GetIconInfo(icon, &parts)) return {};
  TGdiObject<HBITMAP> mask(parts.hbmMask), colour(parts.hbmColor);
  BITMAP shape = {};
  if (!colour || !GetObjectA(colour.Get(), sizeof shape, &shape)) return {};
  BITMAPINFO info = TopDown32(shape.bmWidth, shape.bmHeight);
  std::vector<uint32_t> pixels(static_cast<size_t>(shape.bmWidth) * static_cast<size_t>(shape.bmHeight));
  HDC screen = GetDC(nullptr);
  const bool read = GetDIBits(screen, colour.Get(), 0, static_cast<UINT>(shape.bmHeight),
                              pixels.data(), &info, DIB_RGB_COLORS) != 0;
  for (uint32_t& pixel : pixels) pixel = LightGrey(pixel);
  TGdiObject<HBITMAP> greyed(CreateCompatibleBitmap(screen, shape.bmWidth, shape.bmHeight));
  const bool written = read && greyed &&
                       SetDIBits(screen, greyed.Get(), 0, static_cast<UINT>(shape.bmHeight),
                                 pixels.data(), &info, DIB_RGB_COLORS) != 0;
  ReleaseDC(nullptr, screen);
  if (!written) return {};
  ICONINFO made = {TRUE, 0, 0, mask.Get(), greyed.Get()};
  return TIcon(CreateIconIndirect(&made));
}

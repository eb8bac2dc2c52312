#include "toolkit/setting_font.h"

#include <cstring>

#include "toolkit/handles.h"

namespace {

int ScreenPixelsPerInch() {
  const TWindowDC screen(nullptr);
  int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

LOGFONTA InitialGuideFont() {
  LOGFONTA font = {};
  font.lfHeight = -24;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  std::strcpy(font.lfFaceName, "MS UI Gothic");
  return font;
}

LOGFONTA FontFromSetting(const TSetting& setting, const LOGFONTA& base) {
  LOGFONTA font = base;
  std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
  std::strncpy(font.lfFaceName, setting.FontName.c_str(), LF_FACESIZE - 1);
  font.lfHeight = -MulDiv(setting.FontSize, ScreenPixelsPerInch(), 72);
  font.lfWeight = (setting.FontStyle & kFontBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (setting.FontStyle & kFontItalic) ? TRUE : FALSE;
  font.lfUnderline = (setting.FontStyle & kFontUnderline) ? TRUE : FALSE;
  font.lfStrikeOut = (setting.FontStyle & kFontStrikeOut) ? TRUE : FALSE;
  return font;
}

void FontToSetting(const LOGFONTA& font, TSetting& setting) {
  setting.FontName.assign(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
  int height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
  setting.FontSize = MulDiv(height, 72, ScreenPixelsPerInch());
  setting.FontStyle = static_cast<uint8_t>((font.lfWeight >= FW_BOLD ? kFontBold : 0) |
                                           (font.lfItalic ? kFontItalic : 0) |
                                           (font.lfUnderline ? kFontUnderline : 0) |
                                           (font.lfStrikeOut ? kFontStrikeOut : 0));
}

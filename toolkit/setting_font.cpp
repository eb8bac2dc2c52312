#include "toolkit/setting_font.h"

#include <cstring>

#include "data/dpi_scale.h"
#include "toolkit/dpi.h"

LOGFONTA InitialGuideFont() {
  LOGFONTA font = {};
  font.lfHeight = -TScale(SystemDpi()).Px(24);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  std::strcpy(font.lfFaceName, "MS UI Gothic");
  return font;
}

LOGFONTA FontFromSetting(const TSetting& setting, const LOGFONTA& base) {
  LOGFONTA font = base;
  std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
  std::strncpy(font.lfFaceName, setting.FontName.c_str(), LF_FACESIZE - 1);
  font.lfHeight = TScale(SystemDpi()).FontHeight(setting.FontSize);
  font.lfWeight = (setting.FontStyle & kFontBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (setting.FontStyle & kFontItalic) ? TRUE : FALSE;
  font.lfUnderline = (setting.FontStyle & kFontUnderline) ? TRUE : FALSE;
  font.lfStrikeOut = (setting.FontStyle & kFontStrikeOut) ? TRUE : FALSE;
  return font;
}

LOGFONTA FontForDpi(const LOGFONTA& font, int dpi) {
  LOGFONTA scaled = font;
  scaled.lfHeight = TScale(dpi).From(font.lfHeight, SystemDpi());
  scaled.lfWidth = TScale(dpi).From(font.lfWidth, SystemDpi());
  return scaled;
}

void FontToSetting(const LOGFONTA& font, TSetting& setting) {
  setting.FontName.assign(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
  setting.FontSize = TScale(SystemDpi()).Points(font.lfHeight);
  setting.FontStyle = static_cast<uint8_t>((font.lfWeight >= FW_BOLD ? kFontBold : 0) |
                                           (font.lfItalic ? kFontItalic : 0) |
                                           (font.lfUnderline ? kFontUnderline : 0) |
                                           (font.lfStrikeOut ? kFontStrikeOut : 0));
}

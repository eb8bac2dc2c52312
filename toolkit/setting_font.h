// The key guide's font between the settings (name, size in points, style bits) and a LOGFONT.
#pragma once

#include <windows.h>

#include "data/setting.h"

// The guide's font until settings are applied: "MS UI Gothic", 24 pixels, Shift-JIS.
LOGFONTA InitialGuideFont();

// `base` keeps what the settings do not store (character set, ...); name, size and style
// are replaced from the settings.
LOGFONTA FontFromSetting(const TSetting& setting, const LOGFONTA& base);
// Name, size in points and style of the font into the settings.
void FontToSetting(const LOGFONTA& font, TSetting& setting);

// The key guide's font between the settings (name, size in points, style bits) and a LOGFONT.
#pragma once

#include <windows.h>

#include "data/setting.h"

// Fonts here are measured at the system's DPI, as the font dialog gives them.

// The guide's font until settings are applied: "MS UI Gothic", 24 pixels at 96 DPI, Shift-JIS.
LOGFONTA InitialGuideFont();
// `font` for a monitor of `dpi`: the same size in points.
LOGFONTA FontForDpi(const LOGFONTA& font, int dpi);

// `base` keeps what the settings do not store (character set, ...); name, size and style
// are replaced from the settings.
LOGFONTA FontFromSetting(const TSetting& setting, const LOGFONTA& base);
// Name, size in points and style of the font into the settings.
void FontToSetting(const LOGFONTA& font, TSetting& setting);

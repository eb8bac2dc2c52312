#include "engine/output_events.h"

namespace {

constexpr unsigned short kEnterScanCode = 0x1C;
constexpr unsigned short kTabScanCode = 0x0F;

void AddTap(TOutputEvents& events, unsigned char kind, unsigned short code) {
  events.push_back({code, kind, 0});
  events.push_back({code, kind, 1});
}

}  // namespace

TOutputEvents TypedTextEvents(const std::u16string& text) {
  TOutputEvents events;
  events.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    if (unit == u'\n') AddTap(events, NL_OUTPUT_KEY, kEnterScanCode);
    else if (unit == u'\t') AddTap(events, NL_OUTPUT_KEY, kTabScanCode);
    else if (unit != u'\r') AddTap(events, NL_OUTPUT_CHARACTER, unit);
  }
  return events;
}

TOutputEvents KeyChordEvents(const std::vector<TChord>& chords) {
  TOutputEvents events;
  for (const TChord& chord : chords) {
    std::vector<unsigned short> codes;
    for (const std::string& keyCode : chord)
      codes.push_back(static_cast<unsigned short>((FlagsFromKeyCode(keyCode) >> 16) & 0x1FF));
    for (const unsigned short code : codes) events.push_back({code, NL_OUTPUT_KEY, 0});
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) events.push_back({*code, NL_OUTPUT_KEY, 1});
  }
  return events;
}

// Key codes and chords: how one physical key is named and how a held chord is compared.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// The keystroke flags' bits for the extended key (24) and a release (31).
inline constexpr uint32_t kExtendedKeyBit = 1u << 24;
inline constexpr uint32_t kReleaseKeyBit = 1u << 31;
inline bool IsReleaseFlags(uint32_t keystrokeFlags) { return (keystrokeFlags & kReleaseKeyBit) != 0; }
inline bool IsExtendedFlags(uint32_t keystrokeFlags) { return (keystrokeFlags & kExtendedKeyBit) != 0; }

// Six decimal digits: extended flag (bit 24) then scan code (bits 16-23), "%03d%03d".
std::string KeyCodeFromFlags(uint32_t keystrokeFlags);

// The keystroke flags rebuilt from a stored key code: digits 1-3 shifted left by 24, digits
// 4-6 shifted left by 16. A group that is not a number leaves what was built before it.
uint32_t FlagsFromKeyCode(std::string_view keyCode);

using TChord = std::vector<std::string>;

// Each key code followed by CR LF; the empty chord gives the empty text.
std::string ChordText(const TChord& chord);

// Byte-for-byte equality of two chord texts.
bool ChordTextEquals(std::string_view heldText, std::string_view assignedText);

// Whether the assigned chord text starts with the held chord text; an empty held text begins
// nothing.
bool ChordTextBeginsWith(std::string_view assignedText, std::string_view heldText);

enum class TChordRelation { kNone, kEqual, kBegins };

// Equality and "begins with" in one pass, for matching a held chord against long lists; an
// empty held text relates to nothing. Most assigned texts differ from the held one in its first
// key, so eight bytes compared at once settle them without a library call.
inline TChordRelation RelateChordTexts(std::string_view heldText, std::string_view assignedText) {
  if (heldText.empty() || assignedText.size() < heldText.size()) return TChordRelation::kNone;
  if (heldText.size() >= sizeof(uint64_t)) {
    uint64_t heldHead, assignedHead;
    std::memcpy(&heldHead, heldText.data(), sizeof heldHead);
    std::memcpy(&assignedHead, assignedText.data(), sizeof assignedHead);
    if (heldHead != assignedHead) return TChordRelation::kNone;
  }
  if (std::memcmp(heldText.data(), assignedText.data(), heldText.size()) != 0)
    return TChordRelation::kNone;
  return assignedText.size() == heldText.size() ? TChordRelation::kEqual : TChordRelation::kBegins;
}

// Appends the key code unless the chord already holds it; true when it was appended.
bool AddDistinctKey(TChord& chord, const std::string& keyCode);
bool RemoveKey(TChord& chord, const std::string& keyCode);

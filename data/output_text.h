// The texts of the two output actions: "$text" types its arguments as characters, "$keys"
// presses the chords its arguments name. No window here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/chord.h"

inline constexpr char kTypeTextCommand[] = "$text";
inline constexpr char kPressKeysCommand[] = "$keys";

// The characters "$text" types: "\n" becomes a line feed (typed as Enter), "\t" a tab (typed as
// Tab) and "\\" one backslash; any other backslash stays. A trail byte 0x5C of a double-byte
// character is never part of an escape.
std::string UnescapeTypedText(std::string_view text);

// "$keys" arguments: chords separated by blanks, each one key codes joined by commas
// ("000029,000030 001083"). False, with `chords` cleared, when a chord is empty, a code is not
// six digits or a chord names a key twice.
bool ParseKeyChords(std::string_view text, std::vector<TChord>& chords);
// The arguments text of the chords, as ParseKeyChords reads it.
std::string KeyChordsText(const std::vector<TChord>& chords);

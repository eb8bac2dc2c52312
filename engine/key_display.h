// Display names of keys and display texts of chords, as the user sees them.
#pragma once

#include <cstdint>
#include <string>

#include "data/chord.h"

class TKeyNameManager;

// The platform's name of the key; when empty, the alias from `aliases` (skipped when null);
// when there is none, the six digits of the key code.
std::string KeyDisplayName(uint32_t keystrokeFlags, const TKeyNameManager* aliases);

// The same for a stored key code, its flags rebuilt from the digits.
std::string KeyDisplayNameOfCode(const std::string& keyCode, const TKeyNameManager* aliases);

// Display names of chord[from..] joined by "+".
std::string ChordDisplayText(const TChord& chord, const TKeyNameManager* aliases,
                             size_t from = 0);

// Display names of a key sequence's keys[from..] joined by ", ".
std::string SequenceDisplayText(const TChord& keys, const TKeyNameManager* aliases, size_t from = 0);

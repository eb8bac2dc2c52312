// The events of the two output actions, as the low-level hook types them: a text as characters
// (line feed and tab as the Enter and Tab keys), and chords of key codes pressed in order and
// released in reverse. No window here.
#pragma once

#include <string>
#include <vector>

#include "data/chord.h"
#include "hooklib/key_protocol.h"

using TOutputEvents = std::vector<NL_OUTPUT_EVENT>;

TOutputEvents TypedTextEvents(const std::u16string& text);
TOutputEvents KeyChordEvents(const std::vector<TChord>& chords);

// The keys a "$keys" entry presses, as its 実行時引数 box records them: keys held together make
// one chord, and a press after all of them are up begins the next chord.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/chord.h"

class TOutputKeys {
 public:
  // Takes stored arguments; false when they are not key codes, and then they are kept as they
  // are until a key is recorded or the keys are cleared.
  bool Load(const std::string& arguments);
  void Clear();
  // The next press begins a chord, whatever the box saw before (it lost the focus meanwhile).
  void ForgetHeld() { held_.clear(); }
  // A key goes down: it joins the chord being held, or begins the next one when no key is down.
  // False when nothing changed (auto-repeat, a key the chord already has).
  bool Press(const std::string& keyCode);
  void Release(const std::string& keyCode);

  // What the entry stores: the chords' key codes, or the text loaded while it is not codes.
  std::string Arguments() const;
  // What the box shows: each chord's key names joined by "+", the chords by ", "; the loaded
  // text while it is not codes.
  std::string DisplayText(const std::function<std::string(const std::string&)>& nameOf) const;

 private:
  std::vector<TChord> chords_;
  TChord held_;
  std::string unread_;  // loaded arguments that are not key codes
};

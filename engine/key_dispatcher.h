// The hot-key dispatcher's decisions: turns reported key events into a live chord, matches it
// against the assignments and answers what the key guide window has to do. No window here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/chord.h"

class TKeyInfo;
class TKeyManager;

// The hook library's dispatch mode; the values are the ones it stores.
enum class DispatchMode : int8_t { kSwallow = 0, kPass = 1 };

enum class CursorChange : uint8_t { kKeep, kHide, kShow };

// What the window does after one event or reset, applied in this field order: forward the event
// to the capture; set the dispatch mode; rebuild the guide; show it (then make it top-most);
// hide it; show or hide the cursor once.
struct KeyDecision {
  bool ignored = false;           // a key that never takes part in chords
  bool reset = false;             // the live chord was forgotten (hideGuide and cursor say how)
  bool forwardToCapture = false;  // the settings window is visible: hand the event to it
  const TKeyInfo* executed = nullptr;  // the assignment run during this event, if any
  std::optional<DispatchMode> mode;
  bool rebuildGuide = false;
  bool showGuide = false;
  bool hideGuide = false;
  CursorChange cursor = CursorChange::kKeep;
};

// What the dispatcher asks of the window it serves.
class TKeyDispatcherHost {
 public:
  virtual ~TKeyDispatcherHost() = default;
  virtual bool SettingsVisible() const = 0;
  virtual bool GuideVisible() const = 0;
  virtual bool ShowKeyView() const = 0;
  virtual bool HideCursor() const = 0;
  // Runs a matched assignment at once, before the dispatcher settles its state for the event.
  // It may call ResetChord (showing the settings window does); the decision returned by that
  // call is the host's to apply.
  virtual void ExecuteAssignment(const TKeyInfo& info) = 0;
};

class TKeyDispatcher {
 public:
  explicit TKeyDispatcher(TKeyDispatcherHost& host) : host_(host) {}

  // The assignment list, not owned; none means an empty list. Candidates point into it, so reset
  // the chord before entries are removed.
  void SetKeyManager(const TKeyManager* keyManager) { keyManager_ = keyManager; }

  KeyDecision EvaluateKeyEvent(uint32_t virtualKey, uint32_t keystrokeFlags);
  KeyDecision ResetChord();

  const TChord& HeldKeys() const { return heldKeys_; }
  bool Latched() const { return latched_; }
  // Assignments whose chord begins with the live chord, in list order (the guide's rows).
  const std::vector<const TKeyInfo*>& Candidates() const { return candidates_; }
  int LastHeldCount() const { return lastHeldCount_; }
  bool CursorHidden() const { return cursorHidden_ > 0; }

  static bool IsIgnoredKey(uint32_t virtualKey);
  static bool IsWindowsKey(uint32_t virtualKey);

 private:
  void UpdateHeldKeys(uint32_t keystrokeFlags);
  // Matches the live chord; true when an assignment fired, with `repeatFired` set from it.
  bool MatchAssignments(KeyDecision& decision, bool& repeatFired);
  void DecidePartial(KeyDecision& decision, bool countChanged);
  void DecideNoCandidate(KeyDecision& decision, bool repeatFired);
  void RestoreCursor(KeyDecision& decision);

  TKeyDispatcherHost& host_;
  const TKeyManager* keyManager_ = nullptr;
  TChord heldKeys_;
  bool latched_ = false;
  std::vector<const TKeyInfo*> candidates_;
  int lastHeldCount_ = 0;
  int cursorHidden_ = 0;
};

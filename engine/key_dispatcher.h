// The hot-key dispatcher's decisions: turns reported key events into a live chord, matches it
// against the assignments and answers what the key guide window has to do. No window here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/chord.h"
#include "data/comma_list.h"
#include "hooklib/key_protocol.h"

class TKeyInfo;
class TKeyManager;

// The hook library's dispatch mode; the values are the ones it stores.
enum class TDispatchMode : int8_t { kSwallow = 0, kPass = 1 };

enum class TCursorChange : uint8_t { kKeep, kHide, kShow };

// Bits the hooks set in the reserved part of the keystroke flags they report.
inline constexpr uint32_t kKeyWithheldBit = NL_KEY_WITHHELD;  // the hook kept the event from its window
// The hook passed the event although the mode said swallow, as the program had left reports
// unanswered too long (also set by the program on a withheld report that came before such keys).
inline constexpr uint32_t kKeyUnansweredBit = NL_KEY_UNANSWERED;
inline constexpr uint32_t kKeyReportBits = kKeyWithheldBit | kKeyUnansweredBit;

// One key event: the virtual-key code and keystroke flags the hook reported, and for a withheld
// one the number by which the hook delivers or drops it.
struct TKeyEvent {
  uint32_t virtualKey = 0;
  uint32_t flags = 0;
  uint16_t sequence = 0;
};

// What is done after one event or reset (TKeyDecisionApplier applies it for the key guide
// window), in this field order: forward the event to the capture; set the dispatch mode; have
// the hook deliver the withheld events of `delivered` and drop those no longer kept; rebuild the
// guide; show it (then make it top-most); hide it; show or hide the cursor once; run `executed`.
struct TKeyDecision {
  bool ignored = false;           // a key that never takes part in chords
  bool reset = false;             // the live chord was forgotten (hideGuide and cursor say how)
  bool forwardToCapture = false;  // the settings window is visible: hand the event to it
  const TKeyInfo* executed = nullptr;  // the assignment that matched: run it last
  // The withheld event that completed `executed`'s chord: an output action is typed in its place.
  std::optional<uint16_t> completingSequence;
  std::optional<TDispatchMode> mode;
  // With a swallowing mode: the keys that can go on with the chord begun (scan code | 0x100 when
  // extended), when nothing is withheld yet. The hook then passes other keys at once instead of
  // withholding them for delivery (see PassesBesideTheChord). Empty: everything is withheld.
  std::vector<uint16_t> continuation;
  // Withheld events that turned out not to belong to a chord that fired: deliver them, in order.
  std::vector<TKeyEvent> delivered;
  // The key sequence's time-out: (re)start the window's timer for this many ms, or stop it (0).
  std::optional<uint32_t> sequenceTimer;
  bool rebuildGuide = false;
  bool showGuide = false;
  bool hideGuide = false;
  TCursorChange cursor = TCursorChange::kKeep;
};

// What the dispatcher asks of the window it serves.
class TKeyDispatcherHost {
 public:
  virtual ~TKeyDispatcherHost() = default;
  virtual bool SettingsVisible() const = 0;
  // Whether the decisions so far want the guide on screen (shown, or about to show).
  virtual bool GuideWanted() const = 0;
  virtual bool ShowKeyView() const = 0;
  virtual bool HideCursor() const = 0;
  // Whether a chord box of the settings window has the focus and so decides the mode itself.
  virtual bool CaptureOwnsMode() const { return SettingsVisible(); }
  // Whether the system reports the key as down now (a code from StateVirtualKey).
  virtual bool KeyIsDown(uint32_t /*virtualKey*/) const { return true; }
  // A millisecond clock, for how long ago a key went down.
  virtual uint32_t NowMs() const { return 0; }
  // Whether withheld keys that belong to no fired chord are delivered afterwards.
  virtual bool DeliverUnmatchedKeys() const { return true; }
  // The program file name of the foreground window ("notepad.exe"; empty when unknown), asked
  // when the first key of a chord goes down, and only while some scope or exclusion needs it.
  virtual std::string ForegroundProgram() const { return {}; }
  // Programs in which no chord fires and the keyboard passes.
  virtual TTextList ExcludedPrograms() const { return {}; }
  // How long a begun key sequence waits for its next key.
  virtual uint32_t SequenceTimeoutMs() const { return 2000; }
};

class TKeyDispatcher {
 public:
  explicit TKeyDispatcher(TKeyDispatcherHost& host) : host_(&host) {}
  // A copy of another dispatcher's state that serves another host (for trying events out).
  TKeyDispatcher(const TKeyDispatcher& other, TKeyDispatcherHost& host) : TKeyDispatcher(other) {
    host_ = &host;
  }

  // The assignment list, not owned; none means an empty list. The dispatcher matches against a
  // copy of its own, taken again before it next matches whenever the list's revision moved, so
  // the candidates and the executed assignment never point into entries the list has freed.
  void SetKeyManager(const TKeyManager* keyManager);

  // One reported event; the report bits of the flags say what the hook did with it, `sequence`
  // names a withheld one.
  TKeyDecision EvaluateKeyEvent(uint32_t virtualKey, uint32_t reportFlags, uint16_t sequence = 0);
  // The withheld events kept for the chord under way (delivered or dropped when it ends).
  std::vector<uint16_t> WithheldSequences() const;
  // Forgets the live chord: the keyboard passes again (unless a chord box of the settings window
  // owns the mode) and withheld keys that were waiting for the chord are delivered.
  TKeyDecision ResetChord();
  // Another window was activated: held keys whose release went elsewhere are dropped, and an
  // empty chord ends like a reset.
  TKeyDecision WindowActivated();
  // The window's sequence timer went off: a sequence not continued within the time-out is
  // abandoned, its keys delivered; a sequence continued meanwhile restarts the timer.
  TKeyDecision SequenceTimedOut();
  // The first keys of the key sequences (scan code | 0x100 when extended), whose presses the hook
  // withholds even while the keyboard passes; none while paused.
  const std::vector<uint16_t>& LeaderKeys();
  // The pause switch. While paused no chord fires but a whole chord of the command "$pause",
  // the keyboard passes at once and the guide never shows; pausing forgets the live chord.
  TKeyDecision SetPaused(bool paused);
  bool Paused() const { return paused_; }

  const TChord& HeldKeys() const { return heldKeys_; }
  // The keys of a begun key sequence tapped so far; empty when none is begun.
  const TChord& SequenceSteps() const { return steps_; }
  // How many keys of each candidate are already typed: the steps of a begun sequence, else the
  // held keys.
  size_t TypedCount() const { return steps_.empty() ? heldKeys_.size() : steps_.size(); }
  bool Latched() const { return latched_; }
  // Assignments whose chord begins with the live chord, in list order (the guide's rows).
  const std::vector<const TKeyInfo*>& Candidates() const { return candidates_; }
  int LastHeldCount() const { return lastHeldCount_; }
  bool CursorHidden() const { return cursorHidden_ > 0; }

  // The system's key state may lag this far behind a new press (Wine caches an "up" that long),
  // so a key is taken for up only once it has been held longer.
  static constexpr uint32_t kKeyStateSettleMs = 100;

  // Whether the hook passes an event beside a chord begun with these continuation keys: a
  // release, or the first press of another key (an auto-repeat, or a press of one of them, is
  // withheld and ends the list).
  static bool PassesBesideTheChord(const std::vector<uint16_t>& continuation, uint32_t keystrokeFlags);
  static constexpr size_t kMostContinuationKeys = NL_CONTINUATION_MOST;

  static bool IsIgnoredKey(uint32_t virtualKey);
  static bool IsWindowsKey(uint32_t virtualKey);
  // The code to ask the system's key state with: left or right Ctrl and Alt by the extended flag;
  // Shift as the generic code (some systems keep one state for both Shift keys); others as they
  // are.
  static uint32_t StateVirtualKey(uint32_t virtualKey, uint32_t keystrokeFlags);

 private:
  struct TWithheldEvent {
    TKeyEvent event;
    std::string keyCode;
    bool releaseOfSeenPress;  // the window saw the press: the release is always delivered
  };

  // Takes a new copy of the assignments when the list changed since the last one.
  void SyncAssignments();
  void UpdateHeldKeys(uint32_t virtualKey, uint32_t keystrokeFlags);
  // Decides, at the chord's first key, which program the chord is typed into.
  void BeginChord();
  bool Admits(const TKeyInfo& info) const;
  // Drops held keys the system reports as up (their release never reached a hook).
  bool DropKeysReportedUp();
  void ForgetHeldKey(size_t index);
  // Matches the live chord; true when an assignment fired, with `repeatFired` set from it.
  bool MatchAssignments(TKeyDecision& decision, bool& repeatFired);
  void MatchPauseChord(TKeyDecision& decision);
  void DecidePartial(TKeyDecision& decision, bool countChanged);
  std::vector<uint16_t> ContinuationKeys() const;
  void DecideNoCandidate(TKeyDecision& decision, bool repeatFired);
  void RestoreCursor(TKeyDecision& decision);
  // Everything after the held keys are updated, for a chord (no sequence begun or beginning).
  TKeyDecision DecideChord(TKeyDecision& decision);
  // Key sequences (key_sequence_rules.cpp).
  bool BeginsSequence(const TKeyEvent& event) const;
  void CollectSequences(const TChord& steps, const TKeyInfo*& complete);
  TKeyDecision BeginSequence(const TKeyEvent& event);
  TKeyDecision StepSequence(const TKeyEvent& event, bool firstPress);
  void ShowSequence(TKeyDecision& decision);
  void FireSequence(const TKeyInfo& info, TKeyDecision& decision);
  void DeliverLeaderOnce(TKeyDecision& decision);
  void AbandonSequence(TKeyDecision& decision, bool deliver);
  void RebuildLeaders();
  void NoteEvent(const TKeyEvent& event, bool withheld);
  TKeyDecision AfterUnansweredKey(const TKeyEvent& event, bool withheld);
  void KeepFiredChordWithheld();
  std::vector<TKeyEvent> TakeWithheld();
  void AppendWithheld(std::vector<TKeyEvent>& events);

  TKeyDispatcherHost* host_;
  const TKeyManager* keyManager_ = nullptr;
  // The copy matched against; shared with copies of this dispatcher, whose candidates point
  // into it too.
  std::shared_ptr<const std::vector<TKeyInfo>> assignments_;
  uint64_t assignmentsRevision_ = 0;
  bool anyScoped_ = false;  // some assignment of the copy is not for all programs
  TChord heldKeys_;
  std::vector<uint32_t> heldVirtualKeys_;  // beside heldKeys_: StateVirtualKey of each
  std::vector<uint32_t> heldSinceMs_;      // beside heldKeys_: when each went down
  bool latched_ = false;
  bool paused_ = false;
  std::vector<const TKeyInfo*> candidates_;
  int lastHeldCount_ = 0;
  int cursorHidden_ = 0;
  std::string chordProgram_;    // the foreground program when the chord began
  bool chordExcluded_ = false;  // that program is one vakro leaves alone
  TChord seenPresses_;  // keys whose press reached their window and are not released yet
  TChord firedKeys_;    // the chord that fired, until all its keys are up
  std::vector<TWithheldEvent> withheld_;
  bool leaderAlone_ = false;  // the chord's first key has been the only key down since it went down
  TChord steps_;              // the keys of the begun key sequence
  uint32_t lastStepMs_ = 0;   // when its last key was tapped
  std::vector<uint16_t> leaders_;  // of the copy of the assignments
  std::vector<uint16_t> noLeaders_;
};

#include "engine/key_dispatcher.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "data/key_manager.h"
#include "engine/commands.h"
#include "engine/program_match.h"

namespace {

bool Holds(const TChord& chord, const std::string& keyCode) {
  return std::find(chord.begin(), chord.end(), keyCode) != chord.end();
}

}  // namespace

bool TKeyDispatcher::IsWindowsKey(uint32_t virtualKey) {
  return virtualKey == 0x5B || virtualKey == 0x5C;
}

// Kanji, the Windows keys and the input-mode keys of Japanese keyboards (0xF1 is an ordinary key).
bool TKeyDispatcher::IsIgnoredKey(uint32_t virtualKey) {
  return virtualKey == 0x19 || IsWindowsKey(virtualKey) || virtualKey == 0xF0 ||
         (virtualKey >= 0xF2 && virtualKey <= 0xF6);
}

uint32_t TKeyDispatcher::StateVirtualKey(uint32_t virtualKey, uint32_t keystrokeFlags) {
  const bool extended = IsExtendedFlags(keystrokeFlags);
  switch (virtualKey) {
    case 0x11: return extended ? 0xA3 : 0xA2;
    case 0x12: return extended ? 0xA5 : 0xA4;
    default: return virtualKey;
  }
}

TKeyDecision TKeyDispatcher::EvaluateKeyEvent(uint32_t virtualKey, uint32_t reportFlags, uint16_t sequence) {
  const bool withheld = (reportFlags & kKeyWithheldBit) != 0;
  const TKeyEvent event{virtualKey, reportFlags & ~kKeyReportBits, sequence};
  if (IsIgnoredKey(virtualKey)) {
    TKeyDecision decision = IsWindowsKey(virtualKey) ? ResetChord() : TKeyDecision{};
    decision.ignored = true;
    if (withheld && !host_->SettingsVisible() && host_->DeliverUnmatchedKeys()) {
      // A Windows key ends the chord, so it goes out at once; others wait for the chord.
      if (decision.reset) decision.delivered.push_back(event);
      else withheld_.push_back({event, KeyCodeFromFlags(event.flags), false});
    }
    return decision;
  }
  TKeyDecision decision;
  if (host_->SettingsVisible()) {
    decision.forwardToCapture = true;
    // A sequence's first key withheld while the keyboard passes goes on to its window.
    if (withheld && !host_->CaptureOwnsMode()) decision.delivered.push_back(event);
    return decision;
  }
  if (reportFlags & kKeyUnansweredBit) return AfterUnansweredKey(event, withheld);
  NoteEvent(event, withheld);
  const bool firstPress = !IsReleaseFlags(event.flags) && !Holds(heldKeys_, KeyCodeFromFlags(event.flags));
  // While latched, the keys of the fired chord that are already up end the latch.
  if (latched_ && DropKeysReportedUp() && heldKeys_.empty()) latched_ = false;
  UpdateHeldKeys(event.virtualKey, event.flags);
  TKeyDecision result = !steps_.empty()        ? StepSequence(event, firstPress)
                        : BeginsSequence(event) ? BeginSequence(event)
                                                : DecideChord(decision);
  if (result.executed && withheld) result.completingSequence = event.sequence;
  return result;
}

TKeyDecision TKeyDispatcher::DecideChord(TKeyDecision& decision) {
  bool repeatFired = false;
  bool countChanged = false;
  if (paused_) {
    if (!latched_) MatchPauseChord(decision);
  } else if (!latched_) {
    bool fired = MatchAssignments(decision, repeatFired);
    // A chord that leads nowhere may hold a key whose release was lost; without it, try again.
    // (Releases still on their way keep their keys until then: the full chord is tried first.)
    if (!fired && candidates_.empty() && DropKeysReportedUp())
      fired = MatchAssignments(decision, repeatFired);
    if (fired) {
      KeepFiredChordWithheld();
      leaderAlone_ = false;
    }
    const int count = static_cast<int>(heldKeys_.size());
    countChanged = count != lastHeldCount_;
    lastHeldCount_ = count;
  }
  if (!candidates_.empty() && !latched_) {
    DecidePartial(decision, countChanged);
  } else {
    DecideNoCandidate(decision, repeatFired);
  }
  if (decision.mode == TDispatchMode::kPass) AppendWithheld(decision.delivered);
  if (heldKeys_.empty()) firedKeys_.clear();
  return decision;
}

TKeyDecision TKeyDispatcher::ResetChord() {
  heldKeys_.clear();
  heldVirtualKeys_.clear();
  heldSinceMs_.clear();
  latched_ = false;
  candidates_.clear();
  lastHeldCount_ = 0;
  firedKeys_.clear();
  leaderAlone_ = false;
  TKeyDecision decision;
  if (!steps_.empty()) decision.sequenceTimer = 0;
  steps_.clear();
  decision.reset = true;
  decision.hideGuide = true;
  if (!host_->CaptureOwnsMode()) decision.mode = TDispatchMode::kPass;
  decision.delivered = TakeWithheld();
  RestoreCursor(decision);
  return decision;
}

// The program had left reports unanswered too long, and the hooks passed this key (or, withheld,
// it came before keys they passed): the chord and the guide start afresh. What was withheld is
// dropped rather than delivered after keys typed later, except releases of presses the window
// saw, so that no key stays held there. The key counts as held for chords typed afterwards.
TKeyDecision TKeyDispatcher::AfterUnansweredKey(const TKeyEvent& event, bool withheld) {
  NoteEvent(event, withheld);
  std::erase_if(withheld_, [](const TWithheldEvent& entry) { return !entry.releaseOfSeenPress; });
  TKeyDecision decision = ResetChord();
  UpdateHeldKeys(event.virtualKey, event.flags);
  lastHeldCount_ = static_cast<int>(heldKeys_.size());
  return decision;
}

TKeyDecision TKeyDispatcher::WindowActivated() {
  if (!DropKeysReportedUp() || !heldKeys_.empty()) return {};
  return ResetChord();
}

TKeyDecision TKeyDispatcher::SetPaused(bool paused) {
  if (paused == paused_) return {};
  paused_ = paused;
  if (!paused) return {};
  // The chord that switched the pause on keeps its keys withheld, as any fired chord does.
  TChord fired = firedKeys_;
  TKeyDecision decision = ResetChord();
  firedKeys_ = std::move(fired);
  return decision;
}

void TKeyDispatcher::UpdateHeldKeys(uint32_t virtualKey, uint32_t keystrokeFlags) {
  const std::string keyCode = KeyCodeFromFlags(keystrokeFlags);
  const auto at = std::find(heldKeys_.begin(), heldKeys_.end(), keyCode);
  if (IsReleaseFlags(keystrokeFlags)) {
    if (at != heldKeys_.end()) ForgetHeldKey(static_cast<size_t>(at - heldKeys_.begin()));
  } else if (at == heldKeys_.end()) {
    // The steps of a key sequence belong to the program its first key was typed into.
    if (heldKeys_.empty() && steps_.empty()) BeginChord();
    leaderAlone_ = heldKeys_.empty() && steps_.empty();
    heldKeys_.push_back(keyCode);
    heldVirtualKeys_.push_back(StateVirtualKey(virtualKey, keystrokeFlags));
    heldSinceMs_.push_back(host_->NowMs());
  }
}

// The foreground window is looked up only when a scope or the exclusions can use it: every key
// typed alone begins a chord.
void TKeyDispatcher::BeginChord() {
  chordProgram_.clear();
  chordExcluded_ = false;
  SyncAssignments();
  const TTextList excluded = host_->ExcludedPrograms();
  if (excluded.empty() && !anyScoped_) return;
  chordProgram_ = host_->ForegroundProgram();
  chordExcluded_ = ProgramListHolds(excluded, chordProgram_);
}

void TKeyDispatcher::SetKeyManager(const TKeyManager* keyManager) {
  if (keyManager == keyManager_) return;
  keyManager_ = keyManager;
  assignments_.reset();
  candidates_.clear();
}

void TKeyDispatcher::SyncAssignments() {
  if (!keyManager_) {
    assignments_.reset();
    candidates_.clear();
    leaders_.clear();
    anyScoped_ = false;
    return;
  }
  if (assignments_ && assignmentsRevision_ == keyManager_->Revision()) return;
  auto copy = std::make_shared<std::vector<TKeyInfo>>();
  copy->reserve(static_cast<size_t>(keyManager_->Count()));
  anyScoped_ = false;
  for (int index = 0; index < keyManager_->Count(); ++index) {
    copy->push_back(*keyManager_->Get(index));
    anyScoped_ = anyScoped_ || !copy->back().Scope().IsAll();
  }
  candidates_.clear();  // they pointed into the copy that goes now
  assignments_ = std::move(copy);
  assignmentsRevision_ = keyManager_->Revision();
  RebuildLeaders();
}

bool TKeyDispatcher::Admits(const TKeyInfo& info) const {
  return ScopeAdmits(info.Scope(), chordProgram_);
}

void TKeyDispatcher::ForgetHeldKey(size_t index) {
  const auto offset = static_cast<std::ptrdiff_t>(index);
  heldKeys_.erase(heldKeys_.begin() + offset);
  heldVirtualKeys_.erase(heldVirtualKeys_.begin() + offset);
  heldSinceMs_.erase(heldSinceMs_.begin() + offset);
}

bool TKeyDispatcher::DropKeysReportedUp() {
  bool dropped = false;
  const uint32_t now = host_->NowMs();
  for (size_t index = heldKeys_.size(); index-- > 0;) {
    if (now - heldSinceMs_[index] < kKeyStateSettleMs || host_->KeyIsDown(heldVirtualKeys_[index]))
      continue;
    ForgetHeldKey(index);
    dropped = true;
  }
  return dropped;
}

bool TKeyDispatcher::MatchAssignments(TKeyDecision& decision, bool& repeatFired) {
  candidates_.clear();
  // With no key held nothing can fire: an assignment without keys would otherwise run at the
  // release of every last key.
  SyncAssignments();
  if (!assignments_ || heldKeys_.empty() || chordExcluded_) return false;
  const std::string heldText = ChordText(heldKeys_);
  for (const TKeyInfo& info : *assignments_) {
    if (!Admits(info)) continue;
    // A key sequence is a chord's candidate only by its first key: its later keys are tapped.
    if (heldKeys_.size() > 1 && info.IsSequence()) continue;
    const TChordRelation relation = RelateChordTexts(heldText, info.KeysText());
    if (relation == TChordRelation::kEqual) {
      const bool repeat = info.Repeat();
      decision.executed = &info;
      latched_ = !repeat;
      candidates_.clear();
      repeatFired = repeat;
      return true;
    }
    if (relation == TChordRelation::kBegins) candidates_.push_back(&info);
  }
  return false;
}

// Only a whole pause chord counts, so no beginning withholds a key; it latches even when it
// repeats, or every auto-repeat would switch the pause again.
void TKeyDispatcher::MatchPauseChord(TKeyDecision& decision) {
  SyncAssignments();
  if (!assignments_ || heldKeys_.empty() || chordExcluded_) return;
  const std::string heldText = ChordText(heldKeys_);
  for (const TKeyInfo& info : *assignments_) {
    if (!Admits(info) || info.KeysText() != heldText || !IsPauseCommand(info.Path())) continue;
    decision.executed = &info;
    latched_ = true;
    return;
  }
}

void TKeyDispatcher::DecidePartial(TKeyDecision& decision, bool countChanged) {
  decision.mode = TDispatchMode::kSwallow;
  decision.continuation = ContinuationKeys();
  if (!host_->ShowKeyView()) return;
  const bool wanted = host_->GuideWanted();
  // A guide not wanted holds no rows, so it is rebuilt before it shows even when the count is the
  // one of an earlier chord.
  decision.rebuildGuide = countChanged || !wanted;
  if (wanted) return;
  decision.showGuide = true;
  if (host_->HideCursor() && cursorHidden_ == 0) {
    decision.cursor = TCursorChange::kHide;
    cursorHidden_ = 1;
  }
}

// The key after the live chord in each candidate. With something withheld already, or delivery
// off, every key stays withheld (the list is empty).
std::vector<uint16_t> TKeyDispatcher::ContinuationKeys() const {
  if (!withheld_.empty() || !host_->DeliverUnmatchedKeys()) return {};
  std::vector<uint16_t> keys;
  const size_t next = heldKeys_.size();
  for (const TKeyInfo* info : candidates_) {
    if (info->Keys().size() <= next) continue;
    const auto key = static_cast<uint16_t>((FlagsFromKeyCode(info->Keys()[next]) >> 16) & 0x1FF);
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    if (keys.size() == kMostContinuationKeys) return {};
    keys.push_back(key);
  }
  return keys;
}

bool TKeyDispatcher::PassesBesideTheChord(const std::vector<uint16_t>& continuation, uint32_t keystrokeFlags) {
  return PassesBeside(continuation.data(), continuation.size(), keystrokeFlags);
}

void TKeyDispatcher::DecideNoCandidate(TKeyDecision& decision, bool repeatFired) {
  decision.mode = repeatFired ? TDispatchMode::kSwallow : TDispatchMode::kPass;
  decision.hideGuide = true;
  if (heldKeys_.empty()) latched_ = false;
  RestoreCursor(decision);
}

// The cursor is shown again whenever the dispatcher hid it, so the two calls always pair up,
// even when the setting was switched off meanwhile.
void TKeyDispatcher::RestoreCursor(TKeyDecision& decision) {
  if (cursorHidden_ > 0) {
    decision.cursor = TCursorChange::kShow;
    cursorHidden_ = 0;
  }
}

// Keeps account of what the focused window has seen, and of the withheld events it may still be
// owed: every one but those of a fired chord, and always the release of a press it saw.
void TKeyDispatcher::NoteEvent(const TKeyEvent& event, bool withheld) {
  const std::string keyCode = KeyCodeFromFlags(event.flags);
  const bool release = IsReleaseFlags(event.flags);
  const bool pressSeen = Holds(seenPresses_, keyCode);
  if (release) RemoveKey(seenPresses_, keyCode);
  else if (!withheld) AddDistinctKey(seenPresses_, keyCode);
  if (!withheld || !host_->DeliverUnmatchedKeys()) return;
  if (release && pressSeen) {
    withheld_.push_back({event, keyCode, true});
  } else if (!Holds(firedKeys_, keyCode)) {
    withheld_.push_back({event, keyCode, false});
  }
}

// The chord that fired keeps its keys withheld: their waiting events are dropped, and later ones
// (auto-repeats, releases while swallowing) are never kept.
void TKeyDispatcher::KeepFiredChordWithheld() {
  firedKeys_ = heldKeys_;
  std::erase_if(withheld_, [this](const TWithheldEvent& entry) {
    return !entry.releaseOfSeenPress && Holds(firedKeys_, entry.keyCode);
  });
}

void TKeyDispatcher::AppendWithheld(std::vector<TKeyEvent>& events) {
  const std::vector<TKeyEvent> taken = TakeWithheld();
  events.insert(events.end(), taken.begin(), taken.end());
}

std::vector<TKeyEvent> TKeyDispatcher::TakeWithheld() {
  std::vector<TKeyEvent> events;
  events.reserve(withheld_.size());
  for (const TWithheldEvent& entry : withheld_) {
    events.push_back(entry.event);
    // Delivered presses are presses the window has seen.
    if (IsReleaseFlags(entry.event.flags)) RemoveKey(seenPresses_, entry.keyCode);
    else AddDistinctKey(seenPresses_, entry.keyCode);
  }
  withheld_.clear();
  return events;
}

std::vector<uint16_t> TKeyDispatcher::WithheldSequences() const {
  std::vector<uint16_t> sequences;
  sequences.reserve(withheld_.size());
  for (const TWithheldEvent& entry : withheld_) sequences.push_back(entry.event.sequence);
  return sequences;
}

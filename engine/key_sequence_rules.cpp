// The dispatcher's key sequences: keys tapped one after another behind a first key (the leader)
// that types nothing on its own. While one is begun every key is withheld and the guide lists the
// keys that can follow; its last key's press runs it.
#include <algorithm>

#include "data/key_manager.h"
#include "engine/key_dispatcher.h"

namespace {

constexpr uint32_t kEscapeKey = 0x1B;

uint16_t ScanKeyOfCode(const std::string& keyCode) {
  return static_cast<uint16_t>((FlagsFromKeyCode(keyCode) >> 16) & 0x1FF);
}

}  // namespace

void TKeyDispatcher::RebuildLeaders() {
  leaders_.clear();
  if (!assignments_) return;
  for (const TKeyInfo& info : *assignments_) {
    if (!info.IsSequence()) continue;
    const uint16_t key = ScanKeyOfCode(info.Keys().front());
    if (std::find(leaders_.begin(), leaders_.end(), key) != leaders_.end()) continue;
    if (leaders_.size() == NL_LEADERS_MOST) break;  // later leaders reach the window first
    leaders_.push_back(key);
  }
}

// A new copy of a changed list is taken only between chords, so no guide loses its rows.
const std::vector<uint16_t>& TKeyDispatcher::LeaderKeys() {
  if (heldKeys_.empty() && steps_.empty()) SyncAssignments();
  return paused_ ? noLeaders_ : leaders_;
}

// A leader released before any other key went down, with nothing fired, begins a sequence.
bool TKeyDispatcher::BeginsSequence(const TKeyEvent& event) const {
  if (!IsReleaseFlags(event.flags) || !heldKeys_.empty() || !leaderAlone_ || latched_ || paused_ ||
      chordExcluded_)
    return false;
  const auto key = static_cast<uint16_t>((event.flags >> 16) & 0x1FF);
  return std::find(leaders_.begin(), leaders_.end(), key) != leaders_.end();
}

// The sequences the program admits that begin with `steps` become the candidates; the first one
// in list order that `steps` completes is `complete`, and then there are none.
void TKeyDispatcher::CollectSequences(const TChord& steps, const TKeyInfo*& complete) {
  SyncAssignments();
  candidates_.clear();
  complete = nullptr;
  if (!assignments_ || chordExcluded_) return;
  const std::string stepsText = ChordText(steps);
  for (const TKeyInfo& info : *assignments_) {
    if (!info.IsSequence() || !Admits(info)) continue;
    const TChordRelation relation = RelateChordTexts(stepsText, info.KeysText());
    if (relation == TChordRelation::kEqual) {
      complete = &info;
      candidates_.clear();
      return;
    }
    if (relation == TChordRelation::kBegins) candidates_.push_back(&info);
  }
}

TKeyDecision TKeyDispatcher::BeginSequence(const TKeyEvent& event) {
  TKeyDecision decision;
  const TKeyInfo* complete = nullptr;
  steps_ = {KeyCodeFromFlags(event.flags)};
  CollectSequences(steps_, complete);
  leaderAlone_ = false;
  if (candidates_.empty()) {
    steps_.clear();
    return DecideChord(decision);
  }
  ShowSequence(decision);
  return decision;
}

// Every key waits while the sequence is begun, and its time-out starts again.
void TKeyDispatcher::ShowSequence(TKeyDecision& decision) {
  lastStepMs_ = host_->NowMs();
  decision.sequenceTimer = host_->SequenceTimeoutMs();
  DecidePartial(decision, true);
  decision.continuation.clear();
  lastHeldCount_ = static_cast<int>(heldKeys_.size());
}

// Presses of keys not yet down are the steps; releases and auto-repeats wait with the sequence.
TKeyDecision TKeyDispatcher::StepSequence(const TKeyEvent& event, bool firstPress) {
  TKeyDecision decision;
  if (!firstPress) {
    decision.mode = TDispatchMode::kSwallow;
    return decision;
  }
  if (event.virtualKey == kEscapeKey) {
    AbandonSequence(decision, false);
    return decision;
  }
  TChord next = steps_;
  next.push_back(KeyCodeFromFlags(event.flags));
  const TKeyInfo* complete = nullptr;
  CollectSequences(next, complete);
  if (complete) {
    FireSequence(*complete, decision);
  } else if (!candidates_.empty()) {
    steps_ = std::move(next);
    ShowSequence(decision);
  } else if (steps_.size() == 1 && next.back() == steps_.front()) {
    DeliverLeaderOnce(decision);
  } else {
    AbandonSequence(decision, true);  // the key that went on with none is delivered last
  }
  return decision;
}

void TKeyDispatcher::FireSequence(const TKeyInfo& info, TKeyDecision& decision) {
  AbandonSequence(decision, false);
  decision.executed = &info;
}

// The leader tapped again: its first tap reaches the window, the second never does.
void TKeyDispatcher::DeliverLeaderOnce(TKeyDecision& decision) {
  if (!withheld_.empty() && !withheld_.back().releaseOfSeenPress) withheld_.pop_back();
  AbandonSequence(decision, true);
  latched_ = true;
  firedKeys_ = heldKeys_;
}

// Ends the sequence: its withheld keys are delivered in order, or dropped (a sequence that fired,
// Escape) together with what is held now, whose later events are then not kept either.
void TKeyDispatcher::AbandonSequence(TKeyDecision& decision, bool deliver) {
  steps_.clear();
  candidates_.clear();
  leaderAlone_ = false;
  decision.sequenceTimer = 0;
  if (!deliver) {
    std::erase_if(withheld_, [](const TWithheldEvent& entry) { return !entry.releaseOfSeenPress; });
    latched_ = !heldKeys_.empty();
    firedKeys_ = heldKeys_;
  }
  DecideNoCandidate(decision, false);
  AppendWithheld(decision.delivered);
  lastHeldCount_ = static_cast<int>(heldKeys_.size());
}

TKeyDecision TKeyDispatcher::SequenceTimedOut() {
  TKeyDecision decision;
  if (steps_.empty()) return decision;
  const uint32_t waited = host_->NowMs() - lastStepMs_;
  const uint32_t timeout = host_->SequenceTimeoutMs();
  if (waited < timeout) {
    decision.sequenceTimer = timeout - waited;
    return decision;
  }
  AbandonSequence(decision, true);
  return decision;
}

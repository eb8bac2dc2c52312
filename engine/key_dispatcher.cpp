#include "engine/key_dispatcher.h"

#include "data/key_manager.h"

namespace {

const uint32_t kReleaseBit = 1u << 31;

}  // namespace

bool TKeyDispatcher::IsWindowsKey(uint32_t virtualKey) {
  return virtualKey == 0x5B || virtualKey == 0x5C;
}

// Kanji, the Windows keys and the input-mode keys of Japanese keyboards (0xF1 is an ordinary key).
bool TKeyDispatcher::IsIgnoredKey(uint32_t virtualKey) {
  return virtualKey == 0x19 || IsWindowsKey(virtualKey) || virtualKey == 0xF0 ||
         (virtualKey >= 0xF2 && virtualKey <= 0xF6);
}

KeyDecision TKeyDispatcher::EvaluateKeyEvent(uint32_t virtualKey, uint32_t keystrokeFlags) {
  if (IsIgnoredKey(virtualKey)) {
    KeyDecision decision = IsWindowsKey(virtualKey) ? ResetChord() : KeyDecision{};
    decision.ignored = true;
    return decision;
  }
  KeyDecision decision;
  if (host_.SettingsVisible()) {
    decision.forwardToCapture = true;
    return decision;
  }
  UpdateHeldKeys(keystrokeFlags);

  bool repeatFired = false;
  bool countChanged = false;
  if (!latched_) {
    MatchAssignments(decision, repeatFired);
    const int count = static_cast<int>(heldKeys_.size());
    countChanged = count != lastHeldCount_;
    lastHeldCount_ = count;
  }
  if (!candidates_.empty() && !latched_) {
    DecidePartial(decision, countChanged);
  } else {
    DecideNoCandidate(decision, repeatFired);
  }
  return decision;
}

KeyDecision TKeyDispatcher::ResetChord() {
  heldKeys_.clear();
  latched_ = false;
  candidates_.clear();
  lastHeldCount_ = 0;
  KeyDecision decision;
  decision.reset = true;
  decision.hideGuide = true;
  RestoreCursor(decision);
  return decision;
}

void TKeyDispatcher::UpdateHeldKeys(uint32_t keystrokeFlags) {
  const std::string keyCode = KeyCodeFromFlags(keystrokeFlags);
  if (keystrokeFlags & kReleaseBit) {
    RemoveKey(heldKeys_, keyCode);
  } else {
    AddDistinctKey(heldKeys_, keyCode);
  }
}

bool TKeyDispatcher::MatchAssignments(KeyDecision& decision, bool& repeatFired) {
  candidates_.clear();
  // With no key held nothing can fire: an assignment without keys would otherwise run at the
  // release of every last key.
  if (!keyManager_ || heldKeys_.empty()) return false;
  const std::string heldText = ChordText(heldKeys_);
  const int count = keyManager_->Count();
  for (int index = 0; index < count; ++index) {
    const TKeyInfo* info = keyManager_->Get(index);
    if (!info) continue;
    const ChordRelation relation = RelateChordTexts(heldText, info->KeysText());
    if (relation == ChordRelation::kEqual) {
      const bool repeat = info->Repeat();
      decision.executed = info;
      host_.ExecuteAssignment(*info);
      latched_ = !repeat;
      candidates_.clear();
      repeatFired = repeat;
      return true;
    }
    if (relation == ChordRelation::kBegins) candidates_.push_back(info);
  }
  return false;
}

void TKeyDispatcher::DecidePartial(KeyDecision& decision, bool countChanged) {
  decision.mode = DispatchMode::kSwallow;
  if (!host_.ShowKeyView()) return;
  const bool visible = host_.GuideVisible();
  // A hidden guide holds no rows, so it is rebuilt before it shows even when the count is the
  // one of an earlier chord.
  decision.rebuildGuide = countChanged || !visible;
  if (visible) return;
  decision.showGuide = true;
  if (host_.HideCursor() && cursorHidden_ == 0) {
    decision.cursor = CursorChange::kHide;
    cursorHidden_ = 1;
  }
}

void TKeyDispatcher::DecideNoCandidate(KeyDecision& decision, bool repeatFired) {
  decision.mode = repeatFired ? DispatchMode::kSwallow : DispatchMode::kPass;
  decision.hideGuide = true;
  if (heldKeys_.empty()) latched_ = false;
  RestoreCursor(decision);
}

// The cursor is shown again whenever the dispatcher hid it, so the two calls always pair up,
// even when the setting was switched off meanwhile.
void TKeyDispatcher::RestoreCursor(KeyDecision& decision) {
  if (cursorHidden_ > 0) {
    decision.cursor = CursorChange::kShow;
    cursorHidden_ = 0;
  }
}

#include "engine/key_decision_applier.h"

std::optional<uint32_t> TKeyDecisionApplier::TakeReport(uint32_t reported) {
  const uint32_t passedUnanswered = host_.SetReportsHandled(++reportsHandled_);
  if (reported & kKeyWithheldBit) ++withheldRead_;
  uint32_t& read = unansweredRead_;
  if (reported & kKeyUnansweredBit) ++read;
  if (read > passedUnanswered) read = passedUnanswered;  // a forged report, or one read before it was counted
  else if (passedUnanswered > read) reported |= kKeyUnansweredBit;  // came before keys the hooks passed
  // Once no report waits, every key the hooks passed has been read: the counts agree again, even
  // after a forged count.
  if (passedUnanswered > read && !host_.ReportsWaiting()) read = passedUnanswered;
  if (reported & kKeyReplayedBit) {  // a re-sent event, back: never a new one
    if (resend_.Returned()) {
      host_.StopReturnTimer();
      SendNextBatch();
    }
    return std::nullopt;
  }
  return reported;
}

// The mode is set before anything else can take time, and the assignment runs last, so keys
// typed meanwhile meet the mode of the finished decision.
void TKeyDecisionApplier::Apply(const TKeyDecision& decision, uint32_t virtualKey, uint32_t keystrokeFlags) {
  if (decision.forwardToCapture) host_.HandToCapture(virtualKey, keystrokeFlags);
  if (decision.mode) {
    wantedMode_ = *decision.mode;
    wantedContinuation_ = decision.continuation;
  }
  if (!decision.replay.empty()) Resend(decision.replay);
  else if (decision.mode) SettleMode();
  if (decision.rebuildGuide || decision.showGuide || decision.hideGuide)
    host_.ChangeGuide(decision.rebuildGuide, decision.showGuide, decision.hideGuide);
  if (decision.cursor != TCursorChange::kKeep) host_.ChangeCursor(decision.cursor);
  if (decision.executed) host_.Execute(*decision.executed);
}

void TKeyDecisionApplier::Settle() {
  settlePosted_ = false;
  SettleMode();
}

// Whether the report of a withheld key waits unhandled. Forged reports or a forged count cannot
// make it so for good: with no report waiting at all, the counts agree again.
bool TKeyDecisionApplier::WithheldKeyWaits() {
  const uint32_t reported = host_.WithheldReported();
  uint32_t& read = withheldRead_;
  if (read > reported || (reported > read && !host_.ReportsWaiting())) read = reported;
  return reported > read;
}

// Gives the keyboard the mode last decided, unless re-sent keys are on their way or a chord box
// owns it. Whatever lets keys pass waits while the report of a withheld key is still queued: that
// key would otherwise be overtaken by keys typed after it (a swallowing mode holds them meanwhile).
void TKeyDecisionApplier::SettleMode() {
  if (resend_.Busy() || host_.CaptureOwnsMode()) return;
  const bool letsKeysPass = wantedMode_ == TDispatchMode::kPass || !wantedContinuation_.empty();
  if (letsKeysPass && WithheldKeyWaits()) {
    if (wantedMode_ == TDispatchMode::kSwallow) host_.SetDispatchMode(TDispatchMode::kSwallow, {});
    if (!settlePosted_) settlePosted_ = host_.PostSettle();
    return;
  }
  host_.SetDispatchMode(wantedMode_, wantedContinuation_);
}

// Withheld key events go to the focused window again, each in the key state it was typed in.
// The keyboard stays withheld until the last is back, so no key typed meanwhile overtakes them.
void TKeyDecisionApplier::Resend(const std::vector<TKeyEvent>& events) {
  resend_.Add(events);
  host_.SetDispatchMode(TDispatchMode::kSwallow, {});
  SendNextBatch();
}

// A batch goes at once, as one input: the hooks know its events by their mark, and take the key
// state each was typed in from the batch announced.
void TKeyDecisionApplier::SendNextBatch() {
  const std::vector<TKeyEvent> batch = resend_.StartBatch(kResendBatchMost);
  if (batch.empty()) {
    if (!resend_.Busy()) EndResend();
    return;
  }
  host_.AnnounceResentKeys(batch);
  host_.SendResentKeys(batch);
  host_.StartReturnTimer(kResendReturnMs);
}

// The rest go at once, unannounced.
void TKeyDecisionApplier::ResendTimedOut() {
  host_.AnnounceResentKeys({});
  const std::vector<TKeyEvent> rest = resend_.GiveUp();
  EndResend();
  host_.SendResentKeys(rest);
}

// The keyboard gets the mode last asked for, unless a chord box has taken it over meanwhile.
void TKeyDecisionApplier::EndResend() {
  host_.StopReturnTimer();
  SettleMode();
}

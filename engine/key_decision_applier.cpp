#include "engine/key_decision_applier.h"

#include <algorithm>

uint32_t TKeyDecisionApplier::TakeReport(uint32_t reported, uint16_t sequence) {
  const uint32_t passedUnanswered = host_.SetReportsHandled(++reportsHandled_);
  if (reported & kKeyWithheldBit) undecided_.push_back(sequence);
  uint32_t& read = unansweredRead_;
  if (reported & kKeyUnansweredBit) ++read;
  if (read > passedUnanswered) read = passedUnanswered;  // a forged report, or one read before it was counted
  else if (passedUnanswered > read) reported |= kKeyUnansweredBit;  // came before keys the hooks passed
  // Once no report waits, every key the hooks passed has been read: the counts agree again, even
  // after a forged count.
  if (passedUnanswered > read && !host_.ReportsWaiting()) read = passedUnanswered;
  return reported;
}

// The mode is set before anything else can take time, and the assignment runs last, so keys
// typed meanwhile meet the mode of the finished decision. The hook keeps every key that would pass
// behind the withheld ones still undecided, so the mode may change at once.
void TKeyDecisionApplier::Apply(const TKeyDecision& decision, uint32_t virtualKey, uint32_t keystrokeFlags) {
  if (decision.forwardToCapture) host_.HandToCapture(virtualKey, keystrokeFlags);
  if (decision.mode && !host_.CaptureOwnsMode()) host_.SetDispatchMode(*decision.mode, decision.continuation);
  std::optional<uint16_t> outputPlace;
  if (decision.executed && host_.TypesOutput(*decision.executed)) outputPlace = decision.completingSequence;
  SettleWithheld(decision, outputPlace);
  if (decision.rebuildGuide || decision.showGuide || decision.hideGuide)
    host_.ChangeGuide(decision.rebuildGuide, decision.showGuide, decision.hideGuide);
  if (decision.cursor != TCursorChange::kKeep) host_.ChangeCursor(decision.cursor);
  if (decision.sequenceTimer) host_.SetSequenceTimer(*decision.sequenceTimer);
  if (decision.executed) host_.Execute(*decision.executed, outputPlace);
}

// Drops come first, so that a delivery is never held up behind an event about to be dropped. The
// place of an output is left to the output.
void TKeyDecisionApplier::SettleWithheld(const TKeyDecision& decision, std::optional<uint16_t> outputPlace) {
  const std::vector<uint16_t> kept = host_.KeptWithheld();
  std::vector<uint16_t> dropped;
  for (uint16_t sequence : undecided_) {
    if (sequence == outputPlace) continue;
    const auto found = std::find_if(decision.delivered.begin(), decision.delivered.end(),
                                        [sequence](const TKeyEvent& event) { return event.sequence == sequence; });
    if (found == decision.delivered.end() && std::find(kept.begin(), kept.end(), sequence) == kept.end())
      dropped.push_back(sequence);
  }
  if (!dropped.empty()) host_.DropWithheld(dropped);
  if (!decision.delivered.empty()) host_.DeliverWithheld(decision.delivered);
  undecided_ = kept;
}

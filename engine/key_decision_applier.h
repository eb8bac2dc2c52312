// Applies the dispatcher's decisions: the dispatch mode, the word on each withheld event (deliver
// or drop), and the counts of the hooks' reports. The window does the calls. No window here.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/key_dispatcher.h"

// What the applier asks of the window that serves it.
class TKeyDecisionApplierHost {
 public:
  virtual ~TKeyDecisionApplierHost() = default;
  // Whether a chord box of the settings window has the focus and so decides the mode itself.
  virtual bool CaptureOwnsMode() const = 0;
  // The hooks' mode; with a swallowing mode the keys a chord goes on with (empty: withhold all).
  virtual void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) = 0;
  // The hook sends these withheld events on to the focused window, in the order they were typed
  // and before anything typed after them.
  virtual void DeliverWithheld(const std::vector<TKeyEvent>& events) = 0;
  // The hook forgets these withheld events (by sequence number): they reach no window.
  virtual void DropWithheld(const std::vector<uint16_t>& sequences) = 0;
  // The withheld events the dispatcher still keeps for a chord under way.
  virtual std::vector<uint16_t> KeptWithheld() const = 0;
  // Tells the hooks how many reports were handled in all; answers how many times they have
  // passed keys unanswered.
  virtual uint32_t SetReportsHandled(uint32_t total) = 0;
  // Whether reports posted by the hooks wait unhandled.
  virtual bool ReportsWaiting() const = 0;
  virtual void HandToCapture(uint32_t virtualKey, uint32_t keystrokeFlags) = 0;
  // Called when any of them is set, which the guide follows in this order.
  virtual void ChangeGuide(bool rebuild, bool show, bool hide) = 0;
  virtual void ChangeCursor(TCursorChange change) = 0;
  // Starts the key sequence's time-out timer anew for `ms`, or stops it (0).
  virtual void SetSequenceTimer(uint32_t ms) = 0;
  // Whether the assignment types an output, which goes in the place of the key that completed it.
  virtual bool TypesOutput(const TKeyInfo& /*info*/) const { return false; }
  // Runs the assignment; `inPlaceOf` is the withheld event its output takes the place of, which
  // the host drops when no output takes it.
  virtual void Execute(const TKeyInfo& info, std::optional<uint16_t> inPlaceOf) = 0;
};

class TKeyDecisionApplier {
 public:
  explicit TKeyDecisionApplier(TKeyDecisionApplierHost& host) : host_(host) {}

  // One report of the hooks, counted: the flags the dispatcher decides by (marked unanswered
  // when the report came before keys the hooks passed unanswered). `sequence` names a withheld
  // event.
  uint32_t TakeReport(uint32_t reportFlags, uint16_t sequence = 0);
  // The decision on the event (virtual-key code, keystroke flags) or on a reset (none). Every
  // withheld event the dispatcher no longer keeps is delivered (when the decision says so) or
  // dropped, so that none waits in the hook for good.
  void Apply(const TKeyDecision& decision, uint32_t virtualKey = 0, uint32_t keystrokeFlags = 0);

 private:
  void SettleWithheld(const TKeyDecision& decision, std::optional<uint16_t> outputPlace);

  TKeyDecisionApplierHost& host_;
  uint32_t reportsHandled_ = 0;
  uint32_t unansweredRead_ = 0;       // reports of keys the hooks passed unanswered
  std::vector<uint16_t> undecided_;  // withheld events read and not yet delivered or dropped
};

// Applies the dispatcher's decisions: when the dispatch mode may change, how withheld events are
// re-sent in batches, and the counts of the hooks' reports. The window does the calls. No window here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/key_dispatcher.h"
#include "engine/resend_queue.h"

// What the applier asks of the window that serves it.
class TKeyDecisionApplierHost {
 public:
  virtual ~TKeyDecisionApplierHost() = default;
  // Whether a chord box of the settings window has the focus and so decides the mode itself.
  virtual bool CaptureOwnsMode() const = 0;
  // The hooks' mode; with a swallowing mode the keys a chord goes on with (empty: withhold all).
  virtual void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) = 0;
  // Tells the hooks which events are on their way again, with the key state of each (none: no
  // batch is announced any more).
  virtual void AnnounceResentKeys(const std::vector<TKeyEvent>& events) = 0;
  // Sends withheld events to the focused window again, marked as re-sent, as one input.
  virtual void SendResentKeys(const std::vector<TKeyEvent>& events) = 0;
  // Calls ResendTimedOut once after `ms` unless stopped first.
  virtual void StartReturnTimer(uint32_t ms) = 0;
  virtual void StopReturnTimer() = 0;
  // Calls Settle once the messages waiting now have been handled; false when it cannot.
  virtual bool PostSettle() = 0;
  // Tells the hooks how many reports were handled in all; answers how many keys they have passed
  // unanswered in all.
  virtual uint32_t SetReportsHandled(uint32_t total) = 0;
  // How many reports of withheld events the hooks have posted in all.
  virtual uint32_t WithheldReported() const = 0;
  // Whether reports posted by the hooks wait unhandled.
  virtual bool ReportsWaiting() const = 0;
  virtual void HandToCapture(uint32_t virtualKey, uint32_t keystrokeFlags) = 0;
  // Called when any of them is set, which the guide follows in this order.
  virtual void ChangeGuide(bool rebuild, bool show, bool hide) = 0;
  virtual void ChangeCursor(TCursorChange change) = 0;
  virtual void Execute(const TKeyInfo& info) = 0;
};

class TKeyDecisionApplier {
 public:
  explicit TKeyDecisionApplier(TKeyDecisionApplierHost& host) : host_(host) {}

  // One report of the hooks, counted. A re-sent event back paces the batches and gives none;
  // otherwise the flags the dispatcher decides by (marked unanswered when the report came
  // before keys the hooks passed unanswered).
  std::optional<uint32_t> TakeReport(uint32_t reportFlags);
  // The decision on the event (virtual-key code, keystroke flags) or on a reset (none).
  void Apply(const TKeyDecision& decision, uint32_t virtualKey = 0, uint32_t keystrokeFlags = 0);
  // The posted settle: the mode decided last, once it may be given.
  void Settle();
  // A re-sent event did not come back in time (it went to a window without the hook).
  void ResendTimedOut();

  static constexpr uint32_t kResendReturnMs = 1000;
  static constexpr size_t kResendBatchMost = 64;  // the hook library's batch

 private:
  bool WithheldKeyWaits();
  void SettleMode();
  void Resend(const std::vector<TKeyEvent>& events);
  void SendNextBatch();
  void EndResend();

  TKeyDecisionApplierHost& host_;
  TResendQueue resend_;
  uint32_t reportsHandled_ = 0;  // every report, re-sent events' too
  uint32_t unansweredRead_ = 0;  // reports of keys the hooks passed unanswered
  uint32_t withheldRead_ = 0;    // reports of withheld keys
  bool settlePosted_ = false;
  // The mode the last decision asked for; while re-sent keys are on their way the keyboard stays
  // withheld instead, so that no key typed meanwhile overtakes them.
  TDispatchMode wantedMode_ = TDispatchMode::kPass;
  std::vector<uint16_t> wantedContinuation_;  // with a swallowing mode: keys the chord goes on with
};

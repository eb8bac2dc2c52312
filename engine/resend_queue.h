// The withheld key events the program re-sends, one at a time: each is announced to the hook
// library and sent, and the next goes only when the hook has reported it back, so the focused
// window gets them in their order. No window here.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "engine/key_dispatcher.h"

class TResendQueue {
 public:
  void Add(const std::vector<TKeyEvent>& events);
  // The event to send now, taken off the queue and counted as on its way; none while one is on
  // its way or nothing waits.
  std::optional<TKeyEvent> StartNext();
  // The event on its way came back through the hook.
  void Returned() { inFlight_ = false; }
  // Every event still waiting, with none on its way any more: for sending at once when one
  // did not come back (it went to a window without the hook).
  std::vector<TKeyEvent> GiveUp();
  bool Busy() const { return inFlight_ || !waiting_.empty(); }
  bool InFlight() const { return inFlight_; }

 private:
  std::deque<TKeyEvent> waiting_;
  bool inFlight_ = false;
};

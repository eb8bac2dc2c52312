// The withheld key events the program re-sends, in batches: a batch is announced to the hook
// library and sent at once, and the next goes only when every event of the one before has come
// back through a hook, so the focused window gets them in their order. No window here.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "engine/key_dispatcher.h"

class TResendQueue {
 public:
  void Add(const std::vector<TKeyEvent>& events);
  // The events to send now, at most `most`, taken off the queue and counted as on their way;
  // none while a batch is on its way or nothing waits.
  std::vector<TKeyEvent> StartBatch(size_t most);
  // One event of the batch came back through a hook; true when that was the last of it.
  bool Returned();
  // Every event still waiting, with none on its way any more: for sending at once when one
  // did not come back (it went to a window without the hook).
  std::vector<TKeyEvent> GiveUp();
  bool Busy() const { return inFlight_ > 0 || !waiting_.empty(); }
  bool InFlight() const { return inFlight_ > 0; }

 private:
  std::deque<TKeyEvent> waiting_;
  size_t inFlight_ = 0;
};

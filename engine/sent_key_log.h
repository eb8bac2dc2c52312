// The key events the program re-sent and is waiting to see come back through the keyboard hook,
// so that a re-sent event is never taken for a new one. No window here.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/key_dispatcher.h"

class TSentKeyLog {
 public:
  // Events not back after this long went to a window without the hook; they are forgotten.
  static constexpr uint32_t kReturnLimitMs = 1000;

  void Sent(const std::vector<TKeyEvent>& events, uint32_t nowMs);
  // Whether a reported event is the next re-sent one coming back (same key, same direction),
  // taking it off the log. The hook's mark is not required: a hook that peeks before removing
  // can see the mark of the message before.
  bool TakeReturning(uint32_t virtualKey, uint32_t reportFlags, uint32_t nowMs);
  bool Empty() const { return entries_.empty(); }

 private:
  struct TEntry {
    TKeyEvent event;
    uint32_t sentMs;
  };
  std::deque<TEntry> entries_;
};

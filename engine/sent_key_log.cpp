#include "engine/sent_key_log.h"

namespace {

// Scan code, extended flag and the release bit: what makes two reports the same key event.
const uint32_t kIdentityBits = 0x81FF0000u;

}  // namespace

void TSentKeyLog::Sent(const std::vector<TKeyEvent>& events, uint32_t nowMs) {
  for (const TKeyEvent& event : events) entries_.push_back({event, nowMs});
}

bool TSentKeyLog::TakeReturning(uint32_t virtualKey, uint32_t reportFlags, uint32_t nowMs) {
  while (!entries_.empty() && nowMs - entries_.front().sentMs > kReturnLimitMs) entries_.pop_front();
  if (entries_.empty()) return false;
  const TKeyEvent& next = entries_.front().event;
  if (next.virtualKey != virtualKey || (next.flags & kIdentityBits) != (reportFlags & kIdentityBits))
    return false;
  entries_.pop_front();
  return true;
}

#include "engine/resend_queue.h"

#include <algorithm>

void TResendQueue::Add(const std::vector<TKeyEvent>& events) {
  waiting_.insert(waiting_.end(), events.begin(), events.end());
}

std::vector<TKeyEvent> TResendQueue::StartBatch(size_t most) {
  if (inFlight_ > 0) return {};
  const size_t count = std::min(most, waiting_.size());
  const auto end = waiting_.begin() + static_cast<std::ptrdiff_t>(count);
  std::vector<TKeyEvent> batch(waiting_.begin(), end);
  waiting_.erase(waiting_.begin(), end);
  inFlight_ = count;
  return batch;
}

bool TResendQueue::Returned() {
  if (inFlight_ == 0) return false;
  return --inFlight_ == 0;
}

std::vector<TKeyEvent> TResendQueue::GiveUp() {
  std::vector<TKeyEvent> rest(waiting_.begin(), waiting_.end());
  waiting_.clear();
  inFlight_ = 0;
  return rest;
}

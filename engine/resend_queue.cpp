#include "engine/resend_queue.h"

void TResendQueue::Add(const std::vector<TKeyEvent>& events) {
  waiting_.insert(waiting_.end(), events.begin(), events.end());
}

std::optional<TKeyEvent> TResendQueue::StartNext() {
  if (inFlight_ || waiting_.empty()) return std::nullopt;
  const TKeyEvent next = waiting_.front();
  waiting_.pop_front();
  inFlight_ = true;
  return next;
}

std::vector<TKeyEvent> TResendQueue::GiveUp() {
  std::vector<TKeyEvent> rest(waiting_.begin(), waiting_.end());
  waiting_.clear();
  inFlight_ = false;
  return rest;
}

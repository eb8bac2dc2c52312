#include "engine/ctrl_keys.h"

#include "data/chord.h"

namespace {

const uint32_t kVkBack = 0x08;
const uint32_t kVkControl = 0x11;
const uint32_t kVkLControl = 0xA2;
const uint32_t kVkRControl = 0xA3;


}  // namespace

void TCtrlKeys::Update(uint32_t virtualKey, uint32_t keystrokeFlags) {
  bool right;
  if (virtualKey == kVkControl) right = IsExtendedFlags(keystrokeFlags);
  else if (virtualKey == kVkLControl) right = false;
  else if (virtualKey == kVkRControl) right = true;
  else return;
  (right ? right_ : left_) = !IsReleaseFlags(keystrokeFlags);
}

bool IsCtrlBackspace(const TCtrlKeys& ctrl, uint32_t virtualKey, uint32_t keystrokeFlags) {
  return virtualKey == kVkBack && !IsReleaseFlags(keystrokeFlags) && ctrl.AnyHeld();
}

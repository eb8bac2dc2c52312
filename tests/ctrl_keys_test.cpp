#include <gtest/gtest.h>

#include "engine/ctrl_keys.h"
#include "tests/key_events.h"

namespace {

const uint32_t kCtrl = 0x11, kBack = 0x08;
const uint32_t kLeftCtrlDown = Press(kLeftCtrl).flags, kLeftCtrlUp = Release(kLeftCtrl).flags;
const uint32_t kRightCtrlDown = Press(kRightCtrl).flags, kRightCtrlUp = Release(kRightCtrl).flags;
const uint32_t kBackDown = 0x000E0001, kBackUp = 0xC00E0001;
const uint32_t kRepeat = 0x40000000;

TEST(CtrlKeys, BackspaceIsTheResetOnlyWhileACtrlKeyIsHeld) {
  TCtrlKeys ctrl;
  EXPECT_FALSE(IsCtrlBackspace(ctrl, kBack, kBackDown));
  ctrl.Update(kCtrl, kLeftCtrlDown);
  EXPECT_TRUE(IsCtrlBackspace(ctrl, kBack, kBackDown));
  EXPECT_FALSE(IsCtrlBackspace(ctrl, kBack, kBackUp));
  ctrl.Update(kCtrl, kLeftCtrlUp);
  EXPECT_FALSE(IsCtrlBackspace(ctrl, kBack, kBackDown));
}

TEST(CtrlKeys, AutoRepeatDoesNotLeaveCtrlHeldAfterItsRelease) {
  TCtrlKeys ctrl;
  for (int i = 0; i < 5; ++i) ctrl.Update(kCtrl, kLeftCtrlDown | (i ? kRepeat : 0));
  ctrl.Update(kCtrl, kLeftCtrlUp);
  EXPECT_FALSE(ctrl.AnyHeld());
}

TEST(CtrlKeys, LeftAndRightAreTrackedApart) {
  TCtrlKeys ctrl;
  ctrl.Update(kCtrl, kLeftCtrlDown);
  ctrl.Update(kCtrl, kRightCtrlDown);
  ctrl.Update(kCtrl, kLeftCtrlUp);
  EXPECT_TRUE(ctrl.AnyHeld());
  ctrl.Update(kCtrl, kRightCtrlUp);
  EXPECT_FALSE(ctrl.AnyHeld());
  // A release never seen pressed (Ctrl held before the box had focus) changes nothing wrong.
  ctrl.Update(kCtrl, kRightCtrlUp);
  EXPECT_FALSE(ctrl.AnyHeld());
}

}  // namespace

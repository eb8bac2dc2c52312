#include <gtest/gtest.h>

#include <algorithm>

#include "data/key_manager.h"
#include "tools/key_replay.h"
#include "tools/key_script.h"

namespace {

const ScriptKey kCtrl = 0x001D, kRightCtrl = 0xE01D, kAlt = 0x0038, kRightAlt = 0xE038;
const ScriptKey kX = 0x002D, kY = 0x0015;
const ScriptKey kLeftWin = 0xE05B;

TEST(KeyScript, ParsesFormatsAndNamesTheFirstBadLine) {
  const ParsedScript parsed =
      ParseScript("# warm-up\r\ndown 1d\n  up E01D  # right Ctrl\n\npause 50\nmode swallow\nmode pass");
  EXPECT_EQ(parsed.errorLine, 0);
  const std::vector<ScriptEvent> expected = {Down(kCtrl), Up(kRightCtrl), Pause(50), WaitMode(false),
                                             WaitMode(true)};
  EXPECT_EQ(parsed.events, expected);
  EXPECT_EQ(FormatScript(parsed.events), "down 001D\nup E01D\npause 50\nmode swallow\nmode pass\n");
  EXPECT_EQ(ParseScript(FormatScript(parsed.events)).events, expected);

  for (const char* bad : {"press 001D", "down", "down E11D", "down 0000", "down 12345", "pause x",
                          "down 00G1", "pause -1", "mode 1"}) {
    EXPECT_EQ(ParseScript(std::string("down 001E\n") + bad + "\n").errorLine, 2) << bad;
  }
}

TEST(KeyScript, ClosingReleasesFreeEveryHeldKeyOnce) {
  const std::vector<ScriptEvent> events = {Down(kCtrl), Down(kX), Down(kX), Up(kY), Up(kCtrl),
                                           Down(kAlt)};
  EXPECT_EQ(KeysLeftDown(events), (std::vector<ScriptKey>{kX, kAlt}));
  const std::vector<ScriptEvent> closed = WithClosingReleases(events);
  ASSERT_EQ(closed.size(), events.size() + 2);
  EXPECT_EQ(closed[6], Up(kX));
  EXPECT_EQ(closed[7], Up(kAlt));
  EXPECT_TRUE(KeysLeftDown(closed).empty());
}

StreamOptions SoakLikeOptions() {
  StreamOptions options;
  options.keys = {kCtrl, kRightCtrl, kAlt, kX, kY, kLeftWin};
  options.count = 3000;
  options.maxHeld = 3;
  return options;
}

TEST(KeyScript, RandomStreamIsSeededBoundedAndEndsWithNothingHeld) {
  const StreamOptions options = SoakLikeOptions();
  const std::vector<ScriptEvent> stream = RandomStream(options, 7);
  EXPECT_EQ(stream, RandomStream(options, 7));
  EXPECT_NE(stream, RandomStream(options, 8));
  EXPECT_TRUE(KeysLeftDown(stream).empty());
  ASSERT_GE(stream.size(), 3000u);

  int presses = 0, repeats = 0, releases = 0, strays = 0;
  std::vector<ScriptKey> held;
  for (const ScriptEvent& event : stream) {
    ASSERT_TRUE(std::count(options.keys.begin(), options.keys.end(), event.key));
    auto found = std::find(held.begin(), held.end(), event.key);
    const bool isHeld = found != held.end();
    if (event.kind == ScriptEvent::Kind::kDown) {
      (isHeld ? repeats : presses)++;
      if (!isHeld) held.push_back(event.key);
    } else {
      (isHeld ? releases : strays)++;
      if (isHeld) held.erase(found);
    }
    ASSERT_LE(held.size(), 3u);
  }
  // Weights 45:35:10:10, bent by the bound on held keys.
  EXPECT_GT(presses, 900);
  EXPECT_GT(releases, 900);
  EXPECT_GT(repeats, 150);
  EXPECT_GT(strays, 100);
}

TEST(KeyScript, RandomStreamIsTheSameOnEveryPlatform) {
  StreamOptions options;
  options.keys = {kCtrl, kX, kY};
  options.count = 6;
  EXPECT_EQ(FormatScript(RandomStream(options, 1)), "down 0015\ndown 001D\nup 001D\nup 001D\n"
                                                     "up 0015\ndown 002D\nup 002D\n");
}

uint32_t GenericCode(ScriptKey key) {
  switch (key) {
    case kCtrl: case kRightCtrl: return 0x11;
    case kAlt: case kRightAlt: return 0x12;
    case kLeftWin: return 0x5B;
    default: return key == kX ? 'X' : 'Y';
  }
}

TEST(KeystrokeFlags, AreTheOnesWindowsReportsForPressesRepeatsAndReleases) {
  KeystrokeFlags flags;
  auto next = [&flags](const ScriptEvent& event) { return flags.Next(event, GenericCode(event.key)); };
  EXPECT_EQ(next(Down(kCtrl)), 0x001D0001u);
  EXPECT_EQ(next(Down(kCtrl)), 0x401D0001u);       // auto-repeat: was down
  EXPECT_EQ(next(Up(kCtrl)), 0xC01D0001u);
  EXPECT_EQ(next(Up(kY)), 0xC0150001u);            // never pressed: still "was down"
  EXPECT_EQ(next(Down(kAlt)), 0x20380001u);        // Alt held, its own press included
  EXPECT_EQ(next(Down(kX)), 0x202D0001u);
  EXPECT_EQ(next(Up(kAlt)), 0xC0380001u);
  EXPECT_EQ(next(Up(kX)), 0xC02D0001u);
}

TEST(KeystrokeFlags, TellLeftAndRightKeysApartButEitherAltIsAlt) {
  KeystrokeFlags flags;
  auto next = [&flags](const ScriptEvent& event) { return flags.Next(event, GenericCode(event.key)); };
  EXPECT_EQ(next(Down(kRightCtrl)), 0x011D0001u);
  EXPECT_EQ(next(Down(kCtrl)), 0x001D0001u);
  EXPECT_EQ(next(Down(kRightAlt)), 0x21380001u);
  EXPECT_EQ(next(Down(kAlt)), 0x20380001u);
  EXPECT_EQ(next(Up(kAlt)), 0xE0380001u);  // Alt still held: the right one
  EXPECT_EQ(next(Up(kRightAlt)), 0xC1380001u);
}

class Replay : public ::testing::Test {
 protected:
  void Assign(std::initializer_list<ScriptKey> chord, const std::string& word, bool repeat) {
    TChord codes;
    KeystrokeFlags flags;
    for (ScriptKey key : chord) codes.push_back(KeyCodeFromFlags(flags.Next(Down(key), GenericCode(key))));
    keys.Add(codes, "launchlog.exe", word, "", "", "", repeat);
  }
  std::vector<ReplayStep> Run(const std::vector<ScriptEvent>& events) {
    return ReplayScript(events, keys, GenericCode);
  }
  // The mode each event meets; each is the one the event before set, but for events that pass
  // beside a chord begun.
  static std::string Modes(const std::vector<ReplayStep>& steps) {
    std::string text;
    for (size_t i = 0; i < steps.size(); ++i) {
      text += steps[i].modeMet == TDispatchMode::kPass ? 'p' : 's';
      if (i > 0 && steps[i].modeMet != steps[i - 1].modeAfter) {
        EXPECT_EQ(steps[i].modeMet, TDispatchMode::kPass) << i;
      }
    }
    return text;
  }
  static std::vector<int> Executed(const std::vector<ReplayStep>& steps) {
    std::vector<int> executed;
    for (const ReplayStep& step : steps) executed.push_back(step.executed);
    return executed;
  }

  TKeyManager keys;
};

TEST_F(Replay, ChordRunsOnceAndOnlyItsFirstKeyReachesTheWindow) {
  Assign({kCtrl, kAlt, kX}, "a0", false);
  const auto steps = Run({Down(kCtrl), Down(kAlt), Down(kX), Down(kX), Up(kX), Up(kAlt), Up(kCtrl)});
  EXPECT_EQ(Modes(steps), "psspppp");
  EXPECT_EQ(Executed(steps), (std::vector<int>{-1, -1, 0, -1, -1, -1, -1}));
  EXPECT_EQ(steps[1].virtualKey, 0x12u);
  EXPECT_EQ(steps[1].flags, 0x20380001u);
}

TEST_F(Replay, RepeatingChordRunsOnEveryRepeatWhileSwallowing) {
  Assign({kCtrl, kX}, "short", true);
  Assign({kCtrl, kX, kY}, "long", false);
  const auto steps = Run({Down(kCtrl), Down(kX), Down(kX), Down(kY), Up(kY), Up(kX), Up(kCtrl)});
  EXPECT_EQ(Modes(steps), "psssppp");
  EXPECT_EQ(Executed(steps), (std::vector<int>{-1, 0, 0, 1, -1, -1, -1}));
}

TEST_F(Replay, WindowsKeyForgetsTheChordAndTheKeyboardPassesAgain) {
  Assign({kCtrl, kX}, "a0", false);
  const auto steps = Run({Down(kCtrl), Down(kLeftWin), Down(kX), Up(kLeftWin), Up(kX), Up(kCtrl),
                          Down(kCtrl), Down(kX)});
  EXPECT_EQ(Modes(steps), "ppppppps");  // the Windows key passes beside the chord begun
  EXPECT_EQ(Executed(steps), (std::vector<int>{-1, -1, -1, -1, -1, -1, -1, 0}));
}

TEST_F(Replay, ReleaseOfAKeyNeverPressedCompletesNothingNew) {
  Assign({kCtrl}, "ctrl", false);
  const auto steps = Run({Up(kX), Down(kCtrl), Up(kX), Down(kCtrl), Up(kCtrl), Down(kCtrl)});
  EXPECT_EQ(Executed(steps), (std::vector<int>{-1, 0, -1, -1, -1, 0}));
  EXPECT_EQ(GenericVirtualKey(0xA3), 0x11u);
  EXPECT_EQ(GenericVirtualKey(0xA4), 0x12u);
  EXPECT_EQ(GenericVirtualKey('X'), static_cast<uint32_t>('X'));
}

}  // namespace

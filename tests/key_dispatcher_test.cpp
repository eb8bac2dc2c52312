#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "data/key_manager.h"
#include "data/platform.h"
#include "engine/commands.h"
#include "engine/guide_layout.h"
#include "engine/key_decision_applier.h"
#include "engine/key_dispatcher.h"
#include "tests/key_events.h"

namespace {

class FakeWindow : public TKeyDispatcherHost {
 public:
  bool SettingsVisible() const override { return settingsVisible; }
  bool GuideWanted() const override { return guideWanted; }
  bool ShowKeyView() const override { return showKeyView; }
  bool HideCursor() const override { return hideCursor; }
  bool CaptureOwnsMode() const override { return captureOwnsMode; }
  bool KeyIsDown(uint32_t virtualKey) const override { return !keysUp.count(virtualKey); }
  bool DeliverUnmatchedKeys() const override { return deliverUnmatched; }
  uint32_t NowMs() const override { return nowMs; }
  uint32_t SequenceTimeoutMs() const override { return 2000; }
  std::string ForegroundProgram() const override {
    ++programLookups;
    return foregroundProgram;
  }
  TTextList ExcludedPrograms() const override { return excludedPrograms; }

  bool settingsVisible = false;
  bool guideWanted = false;
  bool showKeyView = true;
  bool hideCursor = false;
  bool captureOwnsMode = false;
  bool deliverUnmatched = true;
  std::set<uint32_t> keysUp;  // sided virtual-key codes the system reports as up
  uint32_t nowMs = 0;
  std::string foregroundProgram;
  TTextList excludedPrograms;
  mutable int programLookups = 0;
  std::vector<std::string> executed;
  std::function<void(const TKeyInfo&)> onExecute;
};

// Feeds key events and applies each decision through the guide window's applier; it serves
// the applier as the window does, with hooks that keep up and number every event.
class Dispatcher : public ::testing::Test, public TKeyDecisionApplierHost {
 protected:
  Dispatcher() { dispatcher.SetKeyManager(&keys); }

  void Assign(std::initializer_list<TestKey> chordKeys, const std::string& name,
              bool repeat = false) {
    TChord chord;
    for (const TestKey& key : chordKeys) chord.push_back(CodeOf(key));
    keys.Add(chord, "C:\\" + name + ".exe", "", "", name, "", repeat);
  }

  TKeyDecision Feed(TestKeyEvent event) {
    const auto sequence = static_cast<uint16_t>(++lastSequence);
    if (event.flags & kKeyWithheldBit) withheld.push_back(sequence);
    const uint32_t reported = applier.TakeReport(event.flags, sequence);
    return Apply(dispatcher.EvaluateKeyEvent(event.virtualKey, reported, sequence));
  }
  void Feed(std::initializer_list<TestKeyEvent> events) {
    for (const TestKeyEvent& event : events) Feed(event);
  }
  TKeyDecision Pause(bool paused) { return Apply(dispatcher.SetPaused(paused)); }
  // Left Ctrl, left Alt, Z runs "$pause", which switches the pause as the executor does.
  void AssignPauseChord(bool repeat) {
    Assign({kLeftCtrl, kLeftAlt, kKeyZ}, "pause", repeat);
    keys.Edit(keys.Count() - 1)->SetPath("$Pause");
    window.onExecute = [this](const TKeyInfo& info) {
      if (IsPauseCommand(info.Path())) Pause(!dispatcher.Paused());
    };
  }
  TKeyDecision Reset() { return Apply(dispatcher.ResetChord()); }
  void AssignSequence(std::initializer_list<TestKey> steps, const std::string& name) {
    Assign(steps, name);
    keys.Edit(keys.Count() - 1)->SetOption(kOptionSequence, true);
  }
  TKeyDecision TimerFires() { return Apply(dispatcher.SequenceTimedOut()); }
  // A key tapped while the keyboard is withheld (the hook withholds a leader's press itself).
  void Tap(const TestKey& key) {
    Feed({{key.virtualKey, Press(key).flags | kKeyWithheldBit}, {key.virtualKey, Release(key).flags | kKeyWithheldBit}});
  }

  TKeyDecision Apply(const TKeyDecision& decision) {
    applier.Apply(decision);
    return decision;
  }

  bool CaptureOwnsMode() const override { return window.CaptureOwnsMode(); }
  void SetDispatchMode(TDispatchMode newMode, const std::vector<uint16_t>&) override { mode = newMode; }
  void DeliverWithheld(const std::vector<TKeyEvent>& events) override {
    delivered.insert(delivered.end(), events.begin(), events.end());
    for (const TKeyEvent& event : events) decided.push_back(event.sequence);
  }
  void DropWithheld(const std::vector<uint16_t>& sequences) override {
    dropped.insert(dropped.end(), sequences.begin(), sequences.end());
    decided.insert(decided.end(), sequences.begin(), sequences.end());
  }
  std::vector<uint16_t> KeptWithheld() const override { return dispatcher.WithheldSequences(); }
  uint32_t SetReportsHandled(uint32_t) override { return passedUnanswered; }
  bool ReportsWaiting() const override { return reportsWaiting; }
  void HandToCapture(uint32_t, uint32_t) override { ++captured; }
  void ChangeGuide(bool rebuild, bool show, bool hide) override {
    if (rebuild) {
      ++rebuilds;
      rows = BuildGuideRows(dispatcher.Candidates(), dispatcher.TypedCount(), nullptr);
    }
    if (show) window.guideWanted = true;
    if (hide) {
      window.guideWanted = false;
      rows.clear();
    }
  }
  void ChangeCursor(TCursorChange change) override {
    ++(change == TCursorChange::kHide ? cursorHides : cursorShows);
  }
  void SetSequenceTimer(uint32_t ms) override { sequenceTimerMs = ms; }
  bool TypesOutput(const TKeyInfo& info) const override { return IsOutputCommand(info.Path()); }
  void Execute(const TKeyInfo& info, std::optional<uint16_t> inPlaceOf) override {
    if (inPlaceOf) outputPlaces.push_back(*inPlaceOf);
    window.executed.push_back(info.ProgramName());
    if (window.onExecute) window.onExecute(info);
  }

  std::vector<std::string> RowPrograms() const {
    std::vector<std::string> names;
    for (const TGuideRowText& row : rows) names.push_back(row.programName);
    return names;
  }
  std::vector<std::string> RowKeys() const {
    std::vector<std::string> texts;
    for (const TGuideRowText& row : rows) texts.push_back(row.keysText);
    return texts;
  }
  static std::string Name(const TestKey& key) { return platform::KeyNameText(KeyFlags(key)); }

  FakeWindow window;
  TKeyManager keys;
  TKeyDispatcher dispatcher{window};
  TKeyDecisionApplier applier{*this};
  TDispatchMode mode = TDispatchMode::kPass;
  std::vector<TKeyEvent> delivered;  // delivered to the focused window, in order
  std::vector<uint16_t> dropped;     // withheld events the hook forgets
  std::vector<uint16_t> outputPlaces;  // withheld events an output took the place of
  std::vector<uint16_t> withheld;    // every event the hooks withheld
  std::vector<uint16_t> decided;     // every word given on one, delivered or dropped
  int lastSequence = 0;
  uint32_t passedUnanswered = 0;  // as the hooks count
  bool reportsWaiting = false;
  std::vector<TGuideRowText> rows;
  int captured = 0, rebuilds = 0, cursorHides = 0, cursorShows = 0;
  uint32_t sequenceTimerMs = 0;  // the window's sequence timer; 0 when stopped
};

using Names = std::vector<std::string>;

// An event as the hook reports it when the mode it met was swallow.
TestKeyEvent Withheld(TestKeyEvent event) { return {event.virtualKey, event.flags | kKeyWithheldBit}; }

std::vector<std::string> Described(const std::vector<TKeyEvent>& events) {
  std::vector<std::string> texts;
  for (const TKeyEvent& event : events)
    texts.push_back(KeyCodeFromFlags(event.flags) + ((event.flags >> 31) ? " up" : " down"));
  return texts;
}
std::string Down(const TestKey& key) { return CodeOf(key) + " down"; }
std::string Up(const TestKey& key) { return CodeOf(key) + " up"; }

TEST_F(Dispatcher, ChordsSharingABeginningShowBothUntilOneFires) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "first");
  Assign({kLeftCtrl, kLeftAlt, kKeyY}, "second");

  Feed(Press(kLeftCtrl));
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  EXPECT_TRUE(window.guideWanted);
  EXPECT_EQ(RowPrograms(), (Names{"first", "second"}));
  EXPECT_EQ(RowKeys(), (Names{Name(kLeftAlt) + "+" + Name(kKeyX), Name(kLeftAlt) + "+" + Name(kKeyY)}));

  TKeyDecision alt = Feed(Press(kLeftAlt));
  EXPECT_TRUE(alt.rebuildGuide);
  EXPECT_FALSE(alt.showGuide);  // already showing
  EXPECT_EQ(RowKeys(), (Names{Name(kKeyX), Name(kKeyY)}));

  TKeyDecision x = Feed(Press(kKeyX));
  ASSERT_NE(x.executed, nullptr);
  EXPECT_EQ(window.executed, Names{"first"});
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  EXPECT_TRUE(dispatcher.Latched());

  // Latched: nothing more happens until every key is up.
  Feed({Release(kKeyX), Press(kKeyY), Release(kKeyY), Press(kKeyX), Release(kKeyX),
        Release(kLeftAlt)});
  EXPECT_EQ(window.executed, Names{"first"});
  EXPECT_TRUE(dispatcher.Latched());
  EXPECT_FALSE(window.guideWanted);
  Feed(Release(kLeftCtrl));
  EXPECT_FALSE(dispatcher.Latched());
  EXPECT_EQ(mode, TDispatchMode::kPass);

  Feed({Press(kLeftCtrl), Press(kLeftAlt), Press(kKeyY)});
  EXPECT_EQ(window.executed, (Names{"first", "second"}));
}

TEST_F(Dispatcher, KeysInAnotherOrderDoNotMatch) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed({Press(kKeyX), Press(kLeftCtrl)});
  EXPECT_TRUE(window.executed.empty());
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
}

TEST_F(Dispatcher, RepeatingAssignmentFiresOnEveryAutoRepeatWithoutRebuild) {
  Assign({kLeftCtrl, kKeyX}, "volume", /*repeat=*/true);
  Feed({Press(kLeftCtrl), Press(kKeyX)});
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  EXPECT_FALSE(dispatcher.Latched());
  EXPECT_FALSE(window.guideWanted);
  const int rebuildsBefore = rebuilds;
  Feed({Repeat(kKeyX), Repeat(kKeyX), Repeat(kKeyX)});
  EXPECT_EQ(window.executed.size(), 4u);
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  EXPECT_EQ(rebuilds, rebuildsBefore);

  // Letting go of X leaves a beginning again.
  Feed(Release(kKeyX));
  EXPECT_TRUE(window.guideWanted);
  EXPECT_EQ(RowPrograms(), Names{"volume"});
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
}

TEST_F(Dispatcher, AutoRepeatOfABeginningKeepsTheGuideWithoutRebuild) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  TKeyDecision repeat = Feed(Repeat(kLeftCtrl));
  EXPECT_FALSE(repeat.rebuildGuide);
  EXPECT_FALSE(repeat.showGuide);
  EXPECT_EQ(repeat.mode, TDispatchMode::kSwallow);
  EXPECT_EQ(dispatcher.HeldKeys(), TChord{CodeOf(kLeftCtrl)});
}

TEST_F(Dispatcher, ShorterChordLatchesUnlessItRepeats) {
  Assign({kLeftCtrl, kKeyX}, "short");
  Assign({kLeftCtrl, kKeyX, kKeyY}, "long");
  Feed({Press(kLeftCtrl), Press(kKeyX), Press(kKeyY)});
  EXPECT_EQ(window.executed, Names{"short"});
  Feed({Release(kKeyY), Release(kKeyX), Release(kLeftCtrl)});

  keys.Edit(0)->SetRepeat(true);
  Feed({Press(kLeftCtrl), Press(kKeyX), Press(kKeyY)});
  EXPECT_EQ(window.executed, (Names{"short", "short", "long"}));
  EXPECT_TRUE(dispatcher.Latched());
}

TEST_F(Dispatcher, ReleaseCanCompleteAChord) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed({Press(kLeftCtrl), Press(kKeyA), Press(kKeyX)});
  EXPECT_TRUE(window.executed.empty());
  Feed(Release(kKeyA));
  EXPECT_EQ(window.executed, Names{"ctrl-x"});
}

TEST_F(Dispatcher, TwoEqualChordsRunOnlyTheFirst) {
  Assign({kLeftCtrl, kKeyX}, "first");
  Assign({kLeftCtrl, kKeyX}, "second");
  for (int round = 0; round < 2; ++round)
    Feed({Press(kLeftCtrl), Press(kKeyX), Release(kKeyX), Release(kLeftCtrl)});
  EXPECT_EQ(window.executed, (Names{"first", "first"}));
}

// Among the assignments whose scope admits the program the chord began in, the first equal chord
// wins; the program is looked up once per chord, and only when something needs it.
TEST_F(Dispatcher, ScopesChooseAmongEqualChordsByTheProgramAtTheFirstKey) {
  Assign({kLeftCtrl, kKeyX}, "plain");
  Feed({Press(kLeftCtrl), Press(kKeyX), Release(kKeyX), Release(kLeftCtrl)});
  EXPECT_EQ(window.programLookups, 0);
  keys.Clear();
  Assign({kLeftCtrl, kKeyX}, "editor");
  keys.Edit(0)->SetScope({TScopeKind::kOnly, {"Notepad", "write.exe"}, ""});
  Assign({kLeftCtrl, kKeyX}, "others");
  keys.Edit(1)->SetScope({TScopeKind::kExcept, {"calc.exe"}, ""});
  Assign({kLeftCtrl, kKeyY}, "calc only");
  keys.Edit(2)->SetScope({TScopeKind::kOnly, {"CALC.EXE"}, ""});

  const auto chordIn = [this](const std::string& program, const TestKey& last) {
    window.foregroundProgram = program;
    Feed(Press(kLeftCtrl));
    window.foregroundProgram = "elsewhere.exe";  // a later focus change does not count
    Feed({Press(last), Release(last), Release(kLeftCtrl)});
  };
  chordIn("NOTEPAD.EXE", kKeyX);
  chordIn("calc.exe", kKeyX);  // neither admits calc: nothing fires, and the keys pass
  EXPECT_EQ(mode, TDispatchMode::kPass);
  chordIn("mspaint.exe", kKeyX);
  chordIn("", kKeyX);           // unknown program: "all but" admits it, "only" does not
  chordIn("notepad.exe", kKeyY);
  chordIn("calc", kKeyY);
  EXPECT_EQ(window.executed, (Names{"plain", "editor", "others", "others", "calc only"}));

  // The guide lists only what the program admits.
  window.foregroundProgram = "calc.exe";
  Feed(Press(kLeftCtrl));
  EXPECT_EQ(RowPrograms(), Names{"calc only"});
  Feed(Release(kLeftCtrl));
  EXPECT_EQ(window.programLookups, 7);
}

// In an excluded program no chord fires, not even the pause chord, the keyboard passes and the
// guide never shows.
TEST_F(Dispatcher, ExcludedProgramsGetEveryKey) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  AssignPauseChord(/*repeat=*/false);
  window.excludedPrograms = {"game.exe"};
  window.foregroundProgram = "GAME";
  for (const TestKeyEvent& event : {Press(kLeftCtrl), Press(kKeyX), Release(kKeyX), Press(kLeftAlt),
                                    Press(kKeyZ), Release(kKeyZ), Release(kLeftAlt), Release(kLeftCtrl)}) {
    TKeyDecision decision = Feed(event);
    EXPECT_EQ(decision.mode, TDispatchMode::kPass);
    EXPECT_FALSE(decision.showGuide || decision.rebuildGuide);
  }
  EXPECT_TRUE(window.executed.empty());
  EXPECT_FALSE(dispatcher.Paused());
  window.foregroundProgram = "notepad.exe";
  Feed({Press(kLeftCtrl), Press(kKeyX)});
  EXPECT_EQ(window.executed, Names{"ctrl-x"});
}

TEST_F(Dispatcher, WindowsKeysResetAndLeaveTheKeyboardPassing) {
  window.hideCursor = true;
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  ASSERT_EQ(cursorHides, 1);

  for (const TestKeyEvent& event : {Press(kLeftWin), Release(kLeftWin), Press(kRightWin)}) {
    TKeyDecision win = Feed(event);
    EXPECT_TRUE(win.ignored);
    EXPECT_TRUE(win.reset);
    EXPECT_EQ(mode, TDispatchMode::kPass);
  }
  EXPECT_TRUE(dispatcher.HeldKeys().empty());
  EXPECT_FALSE(window.guideWanted);
  EXPECT_EQ(cursorShows, 1);

  // The Windows key never joined the chord.
  Feed(Press(kKeyX));
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_EQ(dispatcher.HeldKeys(), TChord{CodeOf(kKeyX)});
}

TEST_F(Dispatcher, InputModeKeysAreIgnoredWithoutReset) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  for (uint32_t virtualKey : {0x19u, 0xF0u, 0xF2u, 0xF3u, 0xF4u, 0xF5u, 0xF6u}) {
    TKeyDecision decision = Feed(Press({0x70, false, virtualKey}));
    EXPECT_TRUE(decision.ignored) << virtualKey;
    EXPECT_FALSE(decision.reset);
    EXPECT_FALSE(decision.hideGuide);
  }
  EXPECT_EQ(dispatcher.HeldKeys(), TChord{CodeOf(kLeftCtrl)});
  EXPECT_TRUE(window.guideWanted);

  // 0xF1 is an ordinary key.
  Feed(Press({0x70, false, 0xF1}));
  EXPECT_EQ(dispatcher.HeldKeys().size(), 2u);
}

TEST_F(Dispatcher, SettingsWindowGetsEveryEventAndNothingFires) {
  Assign({kLeftCtrl}, "ctrl");
  window.settingsVisible = true;
  TKeyDecision decision = Feed(Press(kLeftCtrl));
  EXPECT_TRUE(decision.forwardToCapture);
  EXPECT_FALSE(decision.mode.has_value());
  EXPECT_FALSE(decision.hideGuide || decision.showGuide);
  Feed(Release(kLeftCtrl));
  EXPECT_EQ(captured, 2);
  EXPECT_TRUE(window.executed.empty());
  EXPECT_TRUE(dispatcher.HeldKeys().empty());

  // Windows keys are ignored before the capture sees anything.
  EXPECT_FALSE(Feed(Press(kLeftWin)).forwardToCapture);
  EXPECT_EQ(captured, 2);
}

TEST_F(Dispatcher, ResetForgetsTheHeldCount) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kKeyA));  // stuck: its release never comes
  Reset();
  Feed(Press(kLeftCtrl));
  EXPECT_TRUE(window.guideWanted);
  EXPECT_EQ(RowPrograms(), Names{"ctrl-x"});
}

TEST_F(Dispatcher, ReleaseOfAKeyNeverPressedIsStillEvaluated) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  TKeyDecision decision = Feed(Release(kKeyA));
  EXPECT_EQ(dispatcher.HeldKeys(), TChord{CodeOf(kLeftCtrl)});
  EXPECT_EQ(decision.mode, TDispatchMode::kSwallow);
  EXPECT_FALSE(decision.rebuildGuide);
}

TEST_F(Dispatcher, EmptyListOrNoListAlwaysPasses) {
  const TKeyManager* lists[] = {&keys, nullptr};
  for (const TKeyManager* list : lists) {
    dispatcher.SetKeyManager(list);
    for (const TestKeyEvent& event : {Press(kLeftCtrl), Press(kKeyX), Release(kKeyX)}) {
      TKeyDecision decision = Feed(event);
      EXPECT_EQ(decision.mode, TDispatchMode::kPass);
      EXPECT_FALSE(decision.showGuide);
    }
    Reset();
  }
}

TEST_F(Dispatcher, GuideAndCursorFollowTheSettings) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  window.showKeyView = false;
  window.hideCursor = true;
  TKeyDecision decision = Feed(Press(kLeftCtrl));
  EXPECT_EQ(decision.mode, TDispatchMode::kSwallow);
  EXPECT_FALSE(decision.rebuildGuide || decision.showGuide);
  EXPECT_EQ(cursorHides, 0);
  Feed(Release(kLeftCtrl));

  window.showKeyView = true;
  Feed({Press(kLeftCtrl), Press(kKeyA), Release(kKeyA)});  // shown, hidden, shown again
  EXPECT_EQ(cursorHides, 2);
  EXPECT_EQ(cursorShows, 1);
  EXPECT_TRUE(dispatcher.CursorHidden());
  Feed(Press(kKeyX));
  EXPECT_EQ(cursorShows, 2);
  EXPECT_FALSE(dispatcher.CursorHidden());
}

TEST_F(Dispatcher, CursorComesBackEvenWhenTheSettingWasSwitchedOff) {
  window.hideCursor = true;
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  window.hideCursor = false;
  Feed(Press(kKeyA));
  EXPECT_EQ(cursorHides, 1);
  EXPECT_EQ(cursorShows, 1);
}

// Keys typed while a program starts meet the mode of the finished decision, not a swallow left
// over from the chord.
TEST_F(Dispatcher, TheModeIsSetBeforeTheAssignmentRuns) {
  Assign({kLeftCtrl, kKeyX}, "once");
  Assign({kLeftCtrl, kKeyY}, "held", /*repeat=*/true);
  std::vector<TDispatchMode> modesWhileRunning;
  window.onExecute = [&](const TKeyInfo&) { modesWhileRunning.push_back(mode); };
  Feed({Press(kLeftCtrl), Press(kKeyX), Release(kKeyX), Release(kLeftCtrl)});
  Feed({Press(kLeftCtrl), Press(kKeyY)});
  EXPECT_EQ(modesWhileRunning, (std::vector<TDispatchMode>{TDispatchMode::kPass, TDispatchMode::kSwallow}));
}

TEST_F(Dispatcher, ResetLeavesTheKeyboardPassingUnlessAChordBoxOwnsIt) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  ASSERT_EQ(mode, TDispatchMode::kSwallow);
  EXPECT_EQ(Reset().mode, TDispatchMode::kPass);
  window.captureOwnsMode = true;
  EXPECT_FALSE(Reset().mode.has_value());
}

// The shortcut Ctrl+C with a Ctrl chord assigned: C was withheld while Ctrl began the chord.
TEST_F(Dispatcher, WithheldKeysOfAChordThatNeverWasAreDeliveredInOrder) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed({Press(kLeftCtrl), Withheld(Repeat(kLeftCtrl)), Withheld(Press(kKeyA))});
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_EQ(Described(delivered), (Names{Down(kLeftCtrl), Down(kKeyA)}));
  Feed({Release(kKeyA), Release(kLeftCtrl)});
  EXPECT_EQ(delivered.size(), 2u);

  // A lone tap: the release, withheld, still reaches the window that saw the press.
  delivered.clear();
  Feed({Press(kLeftCtrl), Withheld(Release(kLeftCtrl))});
  EXPECT_EQ(Described(delivered), Names{Up(kLeftCtrl)});
  EXPECT_TRUE(window.executed.empty());
}

TEST_F(Dispatcher, KeysOfAFiredChordStayWithheldButTheFirstKeysReleaseIsDelivered) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "once");
  Assign({kLeftCtrl, kKeyY}, "held", /*repeat=*/true);
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt)), Withheld(Press(kKeyX)), Release(kKeyX),
        Release(kLeftAlt), Release(kLeftCtrl)});
  EXPECT_EQ(window.executed, Names{"once"});
  EXPECT_TRUE(delivered.empty());

  // A repeating chord keeps swallowing after it fired, so even the releases are withheld.
  Feed({Press(kLeftCtrl), Withheld(Press(kKeyY)), Withheld(Repeat(kKeyY)), Withheld(Release(kKeyY)),
        Withheld(Release(kLeftCtrl))});
  EXPECT_EQ(window.executed, (Names{"once", "held", "held"}));
  EXPECT_EQ(Described(delivered), Names{Up(kLeftCtrl)});
}

// An output action is typed in the place of the withheld key that completed its chord: that key
// is left to the output, the chord's other keys are dropped, and each auto-repeat of a repeating
// one has a place of its own. A completing key that passed has no place (the output goes last).
TEST_F(Dispatcher, AnOutputTakesThePlaceOfTheKeyThatCompletedItsChord) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "text");
  keys.Edit(0)->SetPath("$Text");
  Assign({kLeftCtrl, kKeyY}, "keys", /*repeat=*/true);
  keys.Edit(1)->SetPath("$keys");
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt)), Withheld(Press(kKeyX))});
  EXPECT_EQ(outputPlaces, std::vector<uint16_t>{3});
  EXPECT_EQ(dropped, std::vector<uint16_t>{2});
  Feed({Withheld(Release(kKeyX)), Withheld(Release(kLeftAlt)), Release(kLeftCtrl)});

  Feed({Press(kLeftCtrl), Withheld(Press(kKeyY)), Withheld(Repeat(kKeyY)), Release(kKeyY), Release(kLeftCtrl)});
  EXPECT_EQ(outputPlaces, (std::vector<uint16_t>{3, 8, 9}));
  EXPECT_TRUE(std::find_first_of(dropped.begin(), dropped.end(), outputPlaces.begin(), outputPlaces.end()) ==
              dropped.end());

  Feed({Press(kLeftCtrl), Press(kKeyY)});
  EXPECT_EQ(window.executed.size(), 4u);
  EXPECT_EQ(outputPlaces.size(), 3u);
}

// Ctrl, seen by the window, fires a repeating chord with Y and is released while the chord still
// swallows: that release is the window's all the same.
TEST_F(Dispatcher, ReleaseOfASeenPressIsDeliveredThoughItsKeyFiredARepeatingChord) {
  Assign({kLeftCtrl, kKeyY}, "held", /*repeat=*/true);
  Feed({Press(kLeftCtrl), Withheld(Press(kKeyY))});
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  Feed({Withheld(Release(kLeftCtrl)), Release(kKeyY)});
  EXPECT_EQ(window.executed, Names{"held"});
  EXPECT_EQ(Described(delivered), Names{Up(kLeftCtrl)});
}

// The hook holds every withheld event until it has vakro's word: each gets exactly one, whether
// its chord fired (dropped), led nowhere (delivered, by the number the hook gave it) or was reset,
// and none waits once the chords are over.
TEST_F(Dispatcher, EveryWithheldEventIsDeliveredOrDroppedOnce) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt)), Withheld(Press(kKeyX))});
  Feed({Withheld(Release(kKeyX)), Release(kLeftAlt), Release(kLeftCtrl)});
  EXPECT_EQ(window.executed, Names{"ctrl-alt-x"});
  const std::vector<uint16_t> firedChord = dropped;
  EXPECT_EQ(firedChord.size(), 3u);
  Feed({Press(kLeftCtrl), Withheld(Press(kKeyA))});
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].sequence, withheld.back());
  EXPECT_EQ(delivered[0].flags & kKeyReportBits, 0u);
  Feed(Withheld(Press(kLeftAlt)));
  Reset();
  std::vector<uint16_t> all = withheld, words = decided;
  std::sort(all.begin(), all.end());
  std::sort(words.begin(), words.end());
  EXPECT_EQ(words, all);
  EXPECT_TRUE(dispatcher.WithheldSequences().empty());
}

// A report that claims more keys passed unanswered than the hooks counted (forged, or read before
// it was counted) does not hide a real one later: reports read before that one still end the chord.
TEST_F(Dispatcher, AForgedUnansweredReportDoesNotHideARealOne) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  const TestKeyEvent forged = Release(kKeyB);
  Feed(TestKeyEvent{forged.virtualKey, forged.flags | kKeyUnansweredBit});
  Feed(Press(kLeftCtrl));
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  passedUnanswered = 1;  // the hooks pass a key unanswered; its report still waits
  reportsWaiting = true;
  Feed(Withheld(Press(kLeftAlt)));
  EXPECT_EQ(mode, TDispatchMode::kPass) << "the chord read before the passed key is forgotten";
  Feed(Withheld(Press(kKeyX)));
  EXPECT_TRUE(window.executed.empty());
}

// The hooks passed keys because vakro had not answered: nothing withheld before is delivered
// after them (only releases of presses the window saw, so no key stays held), the chord starts
// afresh, and chords work again once vakro answers.
TEST_F(Dispatcher, KeysPassedUnansweredEndTheChordAndDropWhatWasWithheldBefore) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed(Press(kLeftCtrl));
  window.guideWanted = true;
  const auto stale = [](TestKeyEvent event) { return TestKeyEvent{event.virtualKey, event.flags | kKeyUnansweredBit}; };
  Feed({stale(Withheld(Press(kKeyA))), stale(Withheld(Release(kLeftCtrl))), stale(Press(kKeyB)),
        stale(Release(kKeyB))});
  EXPECT_EQ(Described(delivered), Names{Up(kLeftCtrl)});
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  Feed({Release(kKeyA), Press(kLeftCtrl), Withheld(Press(kLeftAlt)), Withheld(Press(kKeyX))});
  EXPECT_EQ(window.executed, Names{"ctrl-alt-x"});
  EXPECT_EQ(delivered.size(), 1u);
}

// While nothing is withheld for a chord begun, the hook may let by every key but those the chord
// can go on with: they would only be delivered after it.
TEST_F(Dispatcher, ABegunChordNamesTheKeysItCanGoOnWith) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Assign({kLeftCtrl, kKeyY}, "ctrl-y");
  Assign({kLeftCtrl, kLeftAlt, kKeyY}, "ctrl-alt-y");
  EXPECT_EQ(Feed(Press(kLeftCtrl)).continuation, (std::vector<uint16_t>{0x38, 0x15}));
  EXPECT_EQ(Feed(Withheld(Press(kLeftAlt))).continuation, std::vector<uint16_t>{});  // it waits now
  Reset();
  window.deliverUnmatched = false;  // nothing is ever let by for delivery
  Feed(Release(kLeftAlt));
  EXPECT_EQ(Feed(Press(kLeftCtrl)).continuation, std::vector<uint16_t>{});

  const std::vector<uint16_t> alt{0x38};
  EXPECT_TRUE(TKeyDispatcher::PassesBesideTheChord(alt, KeyFlags(kKeyA)));
  EXPECT_TRUE(TKeyDispatcher::PassesBesideTheChord(alt, Release(kLeftAlt).flags));
  EXPECT_FALSE(TKeyDispatcher::PassesBesideTheChord(alt, KeyFlags(kLeftAlt)));
  EXPECT_FALSE(TKeyDispatcher::PassesBesideTheChord(alt, Repeat(kKeyA).flags));
  EXPECT_FALSE(TKeyDispatcher::PassesBesideTheChord({}, KeyFlags(kKeyA)));
}

TEST_F(Dispatcher, AbandonedBeginningIsDeliveredWhenAnotherChordFires) {
  Assign({kLeftCtrl, kKeyA, kKeyB}, "ctrl-a-b");
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed({Press(kLeftCtrl), Withheld(Press(kKeyA)), Withheld(Release(kKeyA))});
  EXPECT_TRUE(delivered.empty());  // Ctrl alone still begins both
  Feed(Withheld(Press(kKeyX)));
  EXPECT_EQ(window.executed, Names{"ctrl-x"});
  EXPECT_EQ(Described(delivered), (Names{Down(kKeyA), Up(kKeyA)}));
}

TEST_F(Dispatcher, ResetDeliversWhatWaitedAndWindowsKeyGoesAlong) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt))});
  Feed(Withheld(Press(kLeftWin)));
  EXPECT_EQ(Described(delivered), (Names{Down(kLeftAlt), Down(kLeftWin)}));
  EXPECT_EQ(mode, TDispatchMode::kPass);
}

TEST_F(Dispatcher, WithDeliveryOffWithheldKeysStayWithheld) {
  window.deliverUnmatched = false;
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed({Press(kLeftCtrl), Withheld(Press(kKeyA)), Withheld(Release(kKeyA)), Withheld(Release(kLeftCtrl))});
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt))});
  Reset();
  EXPECT_TRUE(delivered.empty());
}

// A release that no hook saw (the focus moved to a new window meanwhile) must not block chords.
TEST_F(Dispatcher, HeldKeyTheSystemReportsUpIsDroppedWhenTheChordLeadsNowhere) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Assign({kLeftAlt, kKeyY}, "alt-y");
  Feed({Press(kLeftCtrl), Press(kKeyX)});
  window.keysUp = {0xA2};  // left Ctrl: its release was lost
  window.nowMs += TKeyDispatcher::kKeyStateSettleMs;
  Feed(Release(kKeyX));
  EXPECT_FALSE(dispatcher.Latched());  // the lost key no longer holds the latch
  Feed({Press(kLeftAlt), Press(kKeyY)});
  EXPECT_EQ(window.executed, (Names{"ctrl-x", "alt-y"}));

  // A release still on its way keeps its key: the whole chord is tried first.
  Feed({Release(kKeyY), Release(kLeftAlt)});
  Feed(Press(kLeftCtrl));
  window.nowMs += TKeyDispatcher::kKeyStateSettleMs;
  Feed(Press(kKeyX));
  EXPECT_EQ(window.executed, (Names{"ctrl-x", "alt-y", "ctrl-x"}));

  // A key just pressed is never taken for up: the system's state may not have caught up.
  Feed({Release(kKeyX), Release(kLeftCtrl)});
  window.keysUp = {0xA4};
  Feed({Press(kLeftAlt), Press(kKeyA)});
  EXPECT_EQ(dispatcher.HeldKeys(), (TChord{CodeOf(kLeftAlt), CodeOf(kKeyA)}));
}

TEST_F(Dispatcher, ActivationDropsKeysReportedUpAndEndsAnEmptyChord) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed(Press(kLeftCtrl));
  window.nowMs += TKeyDispatcher::kKeyStateSettleMs;
  EXPECT_FALSE(dispatcher.WindowActivated().reset);  // still down
  window.keysUp = {0xA2};
  TKeyDecision decision = dispatcher.WindowActivated();
  Apply(decision);
  EXPECT_TRUE(decision.reset);
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_TRUE(dispatcher.HeldKeys().empty());
}

TEST(StateVirtualKey, TellsLeftFromRightForCtrlAndAltOnly) {
  EXPECT_EQ(TKeyDispatcher::StateVirtualKey(0x11, KeyFlags(kLeftCtrl)), 0xA2u);
  EXPECT_EQ(TKeyDispatcher::StateVirtualKey(0x11, KeyFlags({0x1D, true, 0x11})), 0xA3u);
  EXPECT_EQ(TKeyDispatcher::StateVirtualKey(0x10, KeyFlags({0x36, false, 0x10})), 0x10u);
  EXPECT_EQ(TKeyDispatcher::StateVirtualKey(0x12, KeyFlags({0x38, true, 0x12})), 0xA5u);
  EXPECT_EQ(TKeyDispatcher::StateVirtualKey('X', KeyFlags(kKeyX)), static_cast<uint32_t>('X'));
}

TEST_F(Dispatcher, ShowingTheSettingsFromAnAssignmentEndsIdle) {
  window.hideCursor = true;
  Assign({kLeftCtrl, kKeyX}, "$show");
  window.onExecute = [&](const TKeyInfo&) { Reset(); };
  Feed(Press(kLeftCtrl));
  Feed(Press(kKeyX));
  EXPECT_TRUE(dispatcher.HeldKeys().empty());
  EXPECT_FALSE(dispatcher.Latched());
  EXPECT_EQ(dispatcher.LastHeldCount(), 0);
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_EQ(cursorHides, 1);
  EXPECT_EQ(cursorShows, 1);
}

TEST_F(Dispatcher, AssignmentWithoutKeysNeverFires) {
  keys.Add({}, "C:\\empty.exe", "", "", "empty", "", false);
  Feed({Press(kKeyA), Release(kKeyA), Release(kKeyB)});
  EXPECT_TRUE(window.executed.empty());
  // Neither guard alone may go: the empty live chord relates to no chord, not even the empty one.
  EXPECT_EQ(RelateChordTexts("", ""), TChordRelation::kNone);
}

TEST_F(Dispatcher, GuideShownAgainWithTheSameHeldCountHasItsRows) {
  Assign({kKeyZ}, "z");
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  Feed({Press(kKeyZ), Release(kKeyZ)});  // fires at one held key
  Feed(Press(kLeftCtrl));                // one held key again
  EXPECT_TRUE(window.guideWanted);
  EXPECT_EQ(RowPrograms(), Names{"ctrl-x"});
}

// The list the pages edit changes under a half-typed chord (a delete without a reset, a reload
// from disk, a take-in): the dispatcher keeps matching its own copy until the next key, then the
// new list; under AddressSanitizer nothing it holds points into a freed entry.
TEST_F(Dispatcher, ListChangedUnderAHalfTypedChordIsTakenAtTheNextKey) {
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "gone");
  Assign({kLeftCtrl, kLeftAlt, kKeyY}, "stays");
  Feed({Press(kLeftCtrl), Press(kLeftAlt)});
  ASSERT_EQ(dispatcher.Candidates().size(), 2u);

  keys.Remove(keys.Get(0));
  // The candidates are still the dispatcher's own entries, whole.
  EXPECT_EQ(dispatcher.Candidates()[0]->ProgramName(), "gone");
  EXPECT_EQ(RowPrograms(), (Names{"gone", "stays"}));
  Feed(Press(kKeyX));
  EXPECT_TRUE(window.executed.empty());
  Feed({Release(kKeyX), Press(kKeyY)});
  EXPECT_EQ(window.executed, Names{"stays"});
  Feed({Release(kKeyY), Release(kLeftAlt), Release(kLeftCtrl)});

  // A reload replaces every entry while the chord's first key is held; the guide is rebuilt
  // from the new list and the new entry runs.
  Feed(Press(kLeftCtrl));
  keys.LoadFromBytes("\"" + CodeOf(kLeftCtrl) + "," + CodeOf(kKeyZ) + "\",reloaded,,C:\\r.exe,,,false\r\n");
  Feed(Press(kKeyZ));
  EXPECT_EQ(window.executed, (Names{"stays", "reloaded"}));
  Feed({Release(kKeyZ), Release(kLeftCtrl)});

  // An entry changed in place counts too.
  keys.Edit(0)->SetProgramName("renamed");
  Feed({Press(kLeftCtrl), Press(kKeyZ)});
  EXPECT_EQ(window.executed, (Names{"stays", "reloaded", "renamed"}));
}

// The executed assignment outlives the list entry it was copied from: the applier runs it after
// the page side may already have cleared the list.
TEST_F(Dispatcher, ExecutedAssignmentStaysWholeAfterTheListIsCleared) {
  Assign({kLeftCtrl, kKeyX}, "kept");
  Feed(Press(kLeftCtrl));
  const TKeyDecision fired = dispatcher.EvaluateKeyEvent(Press(kKeyX).virtualKey, Press(kKeyX).flags);
  keys.Clear();
  ASSERT_NE(fired.executed, nullptr);
  EXPECT_EQ(fired.executed->ProgramName(), "kept");
}

}  // namespace

TEST_F(Dispatcher, WhilePausedOnlyThePauseChordFiresAndTheKeyboardPassesWithoutAGuide) {
  Assign({kLeftCtrl, kKeyX}, "ctrl-x");
  AssignPauseChord(/*repeat=*/true);
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt)), Withheld(Press(kKeyZ)), Withheld(Repeat(kKeyZ))});
  EXPECT_EQ(window.executed, Names{"pause"});
  ASSERT_TRUE(dispatcher.Paused());
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_TRUE(delivered.empty());  // the pause chord's keys are never typed
  Feed({Release(kKeyZ), Release(kLeftAlt), Release(kLeftCtrl)});

  // Ctrl begins both chords, yet nothing is withheld or shown, and Ctrl+X does not fire.
  for (const TestKeyEvent& event : {Press(kLeftCtrl), Press(kKeyX), Release(kKeyX), Press(kLeftAlt)}) {
    TKeyDecision decision = Feed(event);
    EXPECT_EQ(decision.mode, TDispatchMode::kPass);
    EXPECT_FALSE(decision.showGuide || decision.rebuildGuide);
  }
  EXPECT_EQ(window.executed, Names{"pause"});

  // The pause chord, whole, ends the pause once, however long its last key repeats.
  Feed({Press(kKeyZ), Repeat(kKeyZ), Repeat(kKeyZ)});
  EXPECT_EQ(window.executed, (Names{"pause", "pause"}));
  EXPECT_FALSE(dispatcher.Paused());
  Feed({Release(kKeyZ), Release(kLeftAlt), Release(kLeftCtrl)});
  Feed({Press(kLeftCtrl), Press(kKeyX)});
  EXPECT_EQ(window.executed, (Names{"pause", "pause", "ctrl-x"}));
}

TEST_F(Dispatcher, PausingMidChordLeavesNothingWithheldAndTheRecorderStillGetsKeys) {
  window.hideCursor = true;
  Assign({kLeftCtrl, kLeftAlt, kKeyX}, "ctrl-alt-x");
  Feed({Press(kLeftCtrl), Withheld(Press(kLeftAlt))});
  ASSERT_EQ(mode, TDispatchMode::kSwallow);
  ASSERT_TRUE(window.guideWanted);

  Pause(true);
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  EXPECT_EQ(cursorShows, 1);
  EXPECT_TRUE(dispatcher.HeldKeys().empty());
  EXPECT_EQ(Described(delivered), Names{Down(kLeftAlt)});
  // A key that met the old mode on its way is delivered at once.
  Feed(Withheld(Press(kKeyX)));
  EXPECT_EQ(Described(delivered), (Names{Down(kLeftAlt), Down(kKeyX)}));
  EXPECT_TRUE(window.executed.empty());
  EXPECT_FALSE(Pause(true).reset);  // already paused: nothing to do

  window.settingsVisible = true;
  EXPECT_TRUE(Feed(Press(kKeyB)).forwardToCapture);
}

namespace {

const TestKey kF12{0x58, false, 0x7B};
const TestKey kKeyW{0x11, false, 'W'};
const TestKey kKeyC{0x2E, false, 'C'};
const TestKey kEscape{0x01, false, 0x1B};

}  // namespace

// The leader's tap begins the sequence, each tap is a step with the guide listing what follows,
// and the last key's press runs it: nothing of it reaches the window, in taps or overlapping.
TEST_F(Dispatcher, SequenceRunsAtItsLastPressAndKeepsEveryKeyFromTheWindow) {
  AssignSequence({kF12, kKeyW, kKeyC}, "notes");
  AssignSequence({kF12, kKeyW, kKeyX}, "mail");
  AssignSequence({kF12, kKeyB}, "browser");

  Feed(Withheld(Press(kF12)));
  EXPECT_EQ(mode, TDispatchMode::kSwallow);
  EXPECT_EQ(dispatcher.LeaderKeys(), std::vector<uint16_t>{0x58});
  Feed(Withheld(Release(kF12)));
  EXPECT_EQ(dispatcher.SequenceSteps(), TChord{CodeOf(kF12)});
  EXPECT_EQ(sequenceTimerMs, 2000u);
  EXPECT_TRUE(window.guideWanted);
  EXPECT_EQ(RowKeys(), (Names{Name(kKeyW) + ", " + Name(kKeyC), Name(kKeyW) + ", " + Name(kKeyX), Name(kKeyB)}));
  Tap(kKeyW);
  EXPECT_EQ(RowPrograms(), (Names{"notes", "mail"}));
  EXPECT_EQ(RowKeys(), (Names{Name(kKeyC), Name(kKeyX)}));
  Feed(Withheld(Press(kKeyC)));
  EXPECT_EQ(window.executed, Names{"notes"});
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  EXPECT_EQ(sequenceTimerMs, 0u);
  Feed(Release(kKeyC));
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(dropped.size(), withheld.size());

  // Keys overlapping as a fast typist's do: each new press is the next step.
  Feed({Withheld(Press(kF12)), Withheld(Release(kF12)), Withheld(Press(kKeyW)), Withheld(Press(kKeyX)),
        Release(kKeyW), Release(kKeyX)});
  EXPECT_EQ(window.executed, (Names{"notes", "mail"}));
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(decided.size(), withheld.size());
}

// A key that goes on with no sequence ends it: the withheld keys reach the window in order, then
// that key. Escape instead delivers nothing, itself included.
TEST_F(Dispatcher, SequenceBrokenDeliversItsKeysAndEscapeDeliversNothing) {
  AssignSequence({kF12, kKeyW, kKeyC}, "notes");
  Tap(kF12);
  Tap(kKeyW);
  Feed(Withheld(Press(kKeyB)));
  EXPECT_EQ(Described(delivered), (Names{Down(kF12), Up(kF12), Down(kKeyW), Up(kKeyW), Down(kKeyB)}));
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  EXPECT_EQ(sequenceTimerMs, 0u);
  Feed({Release(kKeyB), Press(kKeyC), Release(kKeyC)});  // the later keys alone do nothing
  EXPECT_TRUE(window.executed.empty());

  delivered.clear();
  Tap(kF12);
  Tap(kKeyW);
  Feed(Withheld(Press(kEscape)));
  Feed({Release(kEscape), Press(kKeyC), Release(kKeyC)});
  EXPECT_TRUE(delivered.empty());
  EXPECT_TRUE(window.executed.empty());
  EXPECT_FALSE(window.guideWanted);
  EXPECT_EQ(decided.size(), withheld.size());
}

// Not continued within the time-out, the sequence ends as a broken one does; a step restarts the
// time-out, and a timer that went off early only starts again.
TEST_F(Dispatcher, SequenceTimeOutDeliversItsKeysAndLaterKeysFireNothing) {
  AssignSequence({kF12, kKeyW, kKeyC}, "notes");
  window.nowMs = 1000;
  Tap(kF12);
  window.nowMs = 2500;
  Tap(kKeyW);
  window.nowMs = 3000;
  TimerFires();
  EXPECT_EQ(sequenceTimerMs, 1500u);
  EXPECT_TRUE(delivered.empty());
  window.nowMs = 4500;
  TimerFires();
  EXPECT_EQ(Described(delivered), (Names{Down(kF12), Up(kF12), Down(kKeyW), Up(kKeyW)}));
  EXPECT_EQ(mode, TDispatchMode::kPass);
  EXPECT_FALSE(window.guideWanted);
  EXPECT_TRUE(dispatcher.SequenceSteps().empty());
  Feed({Press(kKeyC), Release(kKeyC)});
  EXPECT_TRUE(window.executed.empty());
  EXPECT_TRUE(TimerFires().delivered.empty());  // a stale timer does nothing
}

// Still down when another key goes down, the shared first key makes a chord; released first, a
// sequence step. A leader tapped twice delivers itself once.
TEST_F(Dispatcher, ChordAndSequenceShareALeaderAndTheLeaderTwiceTypesOnce) {
  Assign({kF12, kKeyX}, "chord");
  AssignSequence({kF12, kKeyW}, "sequence");
  Feed(Withheld(Press(kF12)));
  EXPECT_EQ(RowKeys(), (Names{Name(kKeyX), Name(kKeyW)}));
  Feed({Withheld(Press(kKeyX)), Release(kKeyX), Release(kF12)});
  EXPECT_EQ(window.executed, Names{"chord"});
  EXPECT_TRUE(dispatcher.SequenceSteps().empty());
  Tap(kF12);
  Feed(Withheld(Press(kKeyX)));  // a chord's key tapped after the leader is no step
  EXPECT_EQ(window.executed, Names{"chord"});
  EXPECT_EQ(Described(delivered), (Names{Down(kF12), Up(kF12), Down(kKeyX)}));
  Feed(Release(kKeyX));

  delivered.clear();
  Tap(kF12);
  Feed({Withheld(Press(kF12)), Withheld(Repeat(kF12)), Withheld(Release(kF12))});
  EXPECT_EQ(Described(delivered), (Names{Down(kF12), Up(kF12)}));
  EXPECT_EQ(decided.size(), withheld.size());
  Tap(kF12);
  Tap(kKeyW);
  EXPECT_EQ(window.executed, (Names{"chord", "sequence"}));
}

// A sequence begins only where its scope admits the program of the leader and vakro is not
// left out; while paused none begins and the hook withholds no leader.
TEST_F(Dispatcher, SequencesFollowScopesExclusionsAndThePause) {
  AssignSequence({kF12, kKeyW}, "notepad only");
  keys.Edit(0)->SetScope({TScopeKind::kOnly, {"notepad.exe"}, ""});
  window.foregroundProgram = "calc.exe";
  Feed(Withheld(Press(kF12)));
  EXPECT_EQ(Described(delivered), Names{Down(kF12)});  // no candidate: at once
  Feed({Release(kF12), Press(kKeyW), Release(kKeyW)});
  EXPECT_TRUE(window.executed.empty());

  window.foregroundProgram = "notepad.exe";
  Tap(kF12);
  window.foregroundProgram = "calc.exe";  // the leader's program counts for the steps
  Tap(kKeyW);
  EXPECT_EQ(window.executed, Names{"notepad only"});

  window.excludedPrograms = {"notepad.exe"};
  window.foregroundProgram = "notepad.exe";
  Tap(kF12);
  EXPECT_TRUE(dispatcher.SequenceSteps().empty());
  window.excludedPrograms.clear();

  Tap(kF12);
  Pause(true);
  EXPECT_TRUE(dispatcher.SequenceSteps().empty());
  EXPECT_TRUE(dispatcher.LeaderKeys().empty());
  EXPECT_EQ(sequenceTimerMs, 0u);
  Feed({Press(kF12), Release(kF12), Press(kKeyW), Release(kKeyW)});
  EXPECT_EQ(window.executed, Names{"notepad only"});
  Pause(false);
  EXPECT_EQ(dispatcher.LeaderKeys(), std::vector<uint16_t>{0x58});
  EXPECT_EQ(decided.size(), withheld.size());
}

// NodraLib in one process: the exports against the named block, and the hook procedures called
// directly with made-up events, their reports read from this thread's message queue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hooklib/hook_procs.h"
#include "hooklib/key_reports.h"
#include "hooklib/low_level_report.h"
#include "hooklib/nodralib.h"
#include "hooklib/output_inputs.h"
#include "hooklib/shared_view.h"

namespace {

const LPARAM kKeyAFlags = 0x001E0001;

HWND MakeWindow(DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr) {
  return CreateWindowExA(0, "STATIC", "nodralib test", style, 0, 0, 50, 50, parent, nullptr, nullptr, nullptr);
}

// The next message of a kind posted to this thread, or a message numbered 0 when there is none.
MSG TakePosted(UINT message) {
  MSG m = {};
  if (!PeekMessageA(&m, nullptr, message, message, PM_REMOVE)) m.message = 0;
  return m;
}

void DropPosted() {
  MSG m;
  while (PeekMessageA(&m, nullptr, WM_APP, WM_APP + 1000, PM_REMOVE)) {
  }
}

TEST(FinderText, KeepsAtMost260BytesAndAlwaysTerminates) {
  char field[NL_FIND_FIELD_SIZE];
  memset(field, 'z', sizeof field);
  StoreFinderText(field, "C:\\a.exe");
  EXPECT_STREQ(field, "C:\\a.exe");
  EXPECT_EQ(field[9], 'z');  // the rest of the field is left as it was

  const std::string exact(260, 'e');
  StoreFinderText(field, exact.c_str());
  EXPECT_EQ(std::string(field), exact);

  const std::string longer = std::string(260, 'l') + std::string(40, 'x');
  StoreFinderText(field, longer.c_str());
  EXPECT_EQ(std::string(field), longer.substr(0, 260));
  EXPECT_EQ(field[260], '\0');

  StoreFinderText(field, nullptr);
  EXPECT_STREQ(field, "");
}

class NodraLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = MakeWindow();
    ASSERT_TRUE(nlStartHook(window));
    DropPosted();
  }
  void TearDown() override {
    nlReleaseHook();
    DestroyWindow(window);
    DropPosted();
  }
  HWND window = nullptr;
};

TEST(NodraLibWithoutBlock, AnswersMinusOneAndCopiesNothing) {
  EXPECT_EQ(nlSetDispatchMode(-1), -1);
  EXPECT_EQ(nlSetDispatchMode(0), -1);
  char buffer[NL_FIND_FIELD_SIZE] = "untouched";
  EXPECT_FALSE(nlGetFindModulePath(buffer, NL_FIND_FIELD_SIZE));
  EXPECT_FALSE(nlGetFindModuleCommand(buffer, NL_FIND_FIELD_SIZE));
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_FALSE(nlReleaseHook());
}

TEST_F(NodraLibTest, BlockHoldsWindowPassModeAndHooks) {
  SharedView view;
  ASSERT_TRUE(view);
  EXPECT_EQ(HandleFromField<HWND>(view->engineWindow), window);
  EXPECT_EQ(view->dispatchMode, DISPATCH_PASS);
  EXPECT_NE(view->keyboardHook, 0u);
  EXPECT_NE(view->getMessageHook, 0u);
  EXPECT_NE(view->callWndProcHook, 0u);
}

// Another process may still hold a view of the block when the program starts again (the hook
// companion of the run before, ending): the key-report counts start afresh with the new run.
TEST_F(NodraLibTest, AStartOverALeftBlockStartsTheReportCountsAfresh) {
  SharedView kept;
  ASSERT_TRUE(kept);
  kept.Extension().reportsPosted = 40;
  kept.Extension().passedUnanswered = 7;
  nlReleaseHook();
  ASSERT_TRUE(nlStartHook(window));
  EXPECT_EQ(kept.Extension().reportsPosted, 0);
  EXPECT_EQ(kept.Extension().passedUnanswered, 0);
  EXPECT_EQ(nlReportsWaiting(), 0u);
}

TEST_F(NodraLibTest, DispatchModeReadsWithMinusOneAndReturnsThePrevious) {
  EXPECT_EQ(nlSetDispatchMode(0), 1);
  EXPECT_EQ(nlSetDispatchMode(-1), 0);
  EXPECT_EQ(nlSetDispatchMode(-1), 0);
  EXPECT_EQ(nlSetDispatchMode(5), 0);
  EXPECT_EQ(nlSetDispatchMode(1), 5);
}

TEST_F(NodraLibTest, ReleaseEndsTheBlockOnce) {
  EXPECT_TRUE(nlReleaseHook());
  EXPECT_FALSE(nlReleaseHook());
  EXPECT_EQ(nlSetDispatchMode(-1), -1);
}

TEST_F(NodraLibTest, WholeFieldFetchIsTerminatedAndNeverReadsPastTheField) {
  {
    SharedView view;
    memset(view->findModulePath, 'p', NL_FIND_FIELD_SIZE);
    memset(view->findCommandLine, 'c', NL_FIND_FIELD_SIZE);
  }
  char buffer[300];
  memset(buffer, '#', sizeof buffer);
  EXPECT_TRUE(nlGetFindModulePath(buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), std::string(260, 'p'));
  EXPECT_EQ(buffer[261], '#');

  memset(buffer, '#', sizeof buffer);
  EXPECT_TRUE(nlGetFindModuleCommand(buffer, 4));  // a part is copied raw, without a terminator
  EXPECT_EQ(std::string(buffer, 5), "cccc#");
}

TEST_F(NodraLibTest, KeyboardReportsEveryEventAndSwallowsUnlessPass) {
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 0);
  MSG reported = TakePosted(WM_HOOK_KEY);
  EXPECT_EQ(reported.hwnd, window);
  EXPECT_EQ(reported.wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(reported.lParam, kKeyAFlags);

  for (signed char mode : {0, 5, -2}) {
    nlSetDispatchMode(mode);
    EXPECT_EQ(KeyboardProc(HC_NOREMOVE, 'A', kKeyAFlags | 0xC0000000), 1) << int(mode);
    EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | 0xC0000000 | NL_KEY_WITHHELD);
  }
  EXPECT_EQ(KeyboardProc(-1, 'A', kKeyAFlags), 0);  // a negative code is only handed on
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).message, 0u);
}

// Programs that peek at a key before removing it call the hook twice for one event.
TEST_F(NodraLibTest, KeyPeekedThenRemovedIsReportedAndDecidedOnce) {
  EXPECT_EQ(KeyboardProc(HC_NOREMOVE, 'A', kKeyAFlags), 0);
  EXPECT_EQ(KeyboardProc(HC_NOREMOVE, 'A', kKeyAFlags), 0);  // peeked again
  nlSetDispatchMode(0);  // the program answered the report meanwhile
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 0);
  EXPECT_NE(TakePosted(WM_HOOK_KEY).message, 0u);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).message, 0u);

  // The next event is decided afresh; one withheld when peeked is gone and leaves no record.
  EXPECT_EQ(KeyboardProc(HC_NOREMOVE, 'A', kKeyAFlags), 1);
  EXPECT_EQ(KeyboardProc(HC_NOREMOVE, 'A', kKeyAFlags), 1);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
}

// The low-level hook's queue of withheld events: delivered in the order they came, never past
// one that waits for the program's word; dropped ones are skipped; a word on an event that is no
// longer pending (delivered by the watchdog, or gone) changes nothing.
TEST_F(NodraLibTest, WithheldQueueDeliversInOrderAndNeverPastAnUndecidedEvent) {
  SharedView view;
  TSharedExtension& queue = view.Extension();
  auto event = [](uint8_t key) { return TWithheldEvent{key, key, false, false}; };
  const int a = QueueWithheld(queue, event('A'), kWithheldPending);
  const int b = QueueWithheld(queue, event('B'), kWithheldPending);
  const int c = QueueWithheld(queue, event('C'), kWithheldDeliver);  // passed, behind them
  EXPECT_TRUE(WithheldQueueBusy(queue));
  EXPECT_TRUE(TakeDeliveries(queue).events.empty());
  const unsigned short second = static_cast<unsigned short>(b);
  EXPECT_EQ(nlDecideWithheld(&second, 1, TRUE), 1u);
  EXPECT_TRUE(TakeDeliveries(queue).events.empty()) << "A still waits";
  const unsigned short first = static_cast<unsigned short>(a);
  EXPECT_EQ(nlDecideWithheld(&first, 1, FALSE), 1u);
  std::vector<TWithheldEvent> sent = TakeDeliveries(queue).events;
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].virtualKey, 'B');
  EXPECT_EQ(sent[1].virtualKey, 'C');
  EXPECT_EQ(nlDecideWithheld(&second, 1, TRUE), 0u) << "delivered once";
  EXPECT_TRUE(WithheldQueueBusy(queue)) << "until the copies come back";
  CopyReturned(queue);
  CopyReturned(queue);
  EXPECT_FALSE(WithheldQueueBusy(queue));
  EXPECT_EQ(queue.head, queue.tail);
  (void)c;

  // The watchdog delivers what waits; the program's word, coming late, finds nothing to do.
  const unsigned short late = static_cast<unsigned short>(QueueWithheld(queue, event('D'), kWithheldPending));
  EXPECT_TRUE(DeliverAllPending(queue));
  EXPECT_EQ(nlDecideWithheld(&late, 1, FALSE), 0u);
  ASSERT_EQ(TakeDeliveries(queue).events.size(), 1u);
  ForgetSent(queue);  // copies the system refused
  EXPECT_FALSE(WithheldQueueBusy(queue));
}

// An output takes the place of the pending event it names and goes out alone, once everything
// before it is out and back, so that it meets the key state those events leave; it counts as on
// its way until all its copies are back. An output whose place is gone goes to the end.
TEST_F(NodraLibTest, AnOutputWaitsForEverythingBeforeItAndHoldsUpWhatFollows) {
  SharedView view;
  TSharedExtension& queue = view.Extension();
  auto event = [](uint8_t key) { return TWithheldEvent{key, key, false, false}; };
  QueueWithheld(queue, event('A'), kWithheldDeliver);
  const int place = QueueWithheld(queue, event('X'), kWithheldPending);
  QueueWithheld(queue, event('B'), kWithheldDeliver);
  EXPECT_EQ(PlaceOutput(queue, place), place);
  const unsigned short placed = static_cast<unsigned short>(place);
  EXPECT_EQ(nlDecideWithheld(&placed, 1, FALSE), 0u) << "the output has the place";
  TDeliveries first = TakeDeliveries(queue);
  ASSERT_EQ(first.events.size(), 1u);
  EXPECT_EQ(first.outputSequence, -1) << "A is not back yet";
  EXPECT_FALSE(OutputAtHead(queue));
  CopyReturned(queue);
  EXPECT_TRUE(OutputAtHead(queue));
  TDeliveries second = TakeDeliveries(queue);
  EXPECT_TRUE(second.events.empty());
  EXPECT_EQ(second.outputSequence, place);
  OutputSent(queue, placed, 3);
  EXPECT_EQ(TakeDeliveries(queue).events.size(), 1u) << "B follows the output's events";
  for (int copy = 0; copy < 3; ++copy) CopyReturned(queue);
  EXPECT_TRUE(WithheldQueueBusy(queue)) << "B is not back yet";
  CopyReturned(queue);
  EXPECT_FALSE(WithheldQueueBusy(queue));

  const int late = PlaceOutput(queue, place);  // no longer pending: goes to the end
  EXPECT_NE(late, place);
  EXPECT_EQ(PlaceOutput(queue, -1), late + 1);
  DropOutputs(queue);  // a hook process that ended took their events with it
  EXPECT_FALSE(WithheldQueueBusy(queue));
}

// The modifiers the system holds are let go around an output and pressed again only where the
// user still holds them; Alt never goes down and up alone, so no menu bar opens.
TEST(OutputInputs, ModifiersAreLetGoAndPressedAgainWhereStillHeld) {
  volatile LONG system[8] = {};
  volatile LONG user[8] = {};
  auto press = [](volatile LONG(&keys)[8], UINT key) {
    KBDLLHOOKSTRUCT event = {key, 0, 0, 0, 0};
    NoteKeyDown(keys, event);
  };
  for (const UINT key : {VK_LCONTROL, VK_LMENU}) {
    press(system, key);
    press(user, key);
  }
  press(system, VK_LSHIFT);  // let go meanwhile
  const std::vector<NL_OUTPUT_EVENT> output = {{u'h', NL_OUTPUT_CHARACTER, 0}, {u'h', NL_OUTPUT_CHARACTER, 1}};
  const std::vector<INPUT> inputs = OutputInputs(output, system, user, 7);
  std::vector<std::string> seen;
  for (const INPUT& input : inputs) {
    EXPECT_EQ(input.ki.dwExtraInfo, 7u);
    const bool up = input.ki.dwFlags & KEYEVENTF_KEYUP;
    const std::string name = (input.ki.dwFlags & KEYEVENTF_UNICODE) ? std::string(1, static_cast<char>(input.ki.wScan))
                                                                    : std::to_string(input.ki.wVk);
    seen.push_back(name + (up ? "^" : "v"));
  }
  const std::string mask = "232";
  const std::string shift = std::to_string(VK_LSHIFT), ctrl = std::to_string(VK_LCONTROL),
                    alt = std::to_string(VK_LMENU);
  EXPECT_EQ(seen, (std::vector<std::string>{shift + "^", ctrl + "^", mask + "v", mask + "^", alt + "^", "hv", "h^",
                                            ctrl + "v", alt + "v", mask + "v", mask + "^"}));
}

// The program asks whether a held key is still down by its sided code, taken from the scan code
// and extended flag as its reports carry them, whatever code the layout gave the event (Wine's
// gives right Alt the left-hand code); the withheld press never reaches the system's own state.
TEST(KeysDown, FollowTheScanCodeAndExtendedFlagAndAnswerTheGenericCode) {
  volatile LONG keys[8] = {};
  KBDLLHOOKSTRUCT rightAlt = {VK_LMENU, 0x38, LLKHF_EXTENDED, 0, 0};
  EXPECT_FALSE(NoteKeyDown(keys, rightAlt));
  EXPECT_TRUE(NoteKeyDown(keys, rightAlt)) << "an auto-repeat finds it down";
  EXPECT_TRUE(KeyDownIn(keys, VK_RMENU));
  EXPECT_FALSE(KeyDownIn(keys, VK_LMENU));
  EXPECT_TRUE(KeyDownIn(keys, VK_MENU));
  KBDLLHOOKSTRUCT rightShift = {VK_SHIFT, 0x36, 0, 0, 0};
  NoteKeyDown(keys, rightShift);
  EXPECT_TRUE(KeyDownIn(keys, VK_SHIFT));
  EXPECT_TRUE(KeyDownIn(keys, VK_RSHIFT));
  rightAlt.flags |= LLKHF_UP;
  EXPECT_TRUE(NoteKeyDown(keys, rightAlt));
  EXPECT_FALSE(KeyDownIn(keys, VK_MENU));
}

TEST_F(NodraLibTest, AFullWithheldQueueTakesNoMore) {
  SharedView view;
  for (int at = 0; at < kWithheldCapacity; ++at)
    ASSERT_GE(QueueWithheld(view.Extension(), {'A', 0x1E, false, false}, kWithheldPending), 0);
  EXPECT_EQ(QueueWithheld(view.Extension(), {'A', 0x1E, false, false}, kWithheldPending), -1);
  // Sequence numbers wrap with the positions: a number names one entry at a time.
  EXPECT_TRUE(DeliverAllPending(view.Extension()));
  EXPECT_EQ(TakeDeliveries(view.Extension()).events.size(), static_cast<size_t>(kWithheldCapacity));
  ForgetSent(view.Extension());
  EXPECT_EQ(QueueWithheld(view.Extension(), {'A', 0x1E, false, false}, kWithheldPending), kWithheldCapacity);
}

// A host of the five exports gets every key withheld while the mode swallows, however long it
// leaves the reports unanswered.
TEST_F(NodraLibTest, WithoutTheWatchdogKeysStayWithheldHoweverLong) {
  nlSetDispatchMode(0);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  {
    SharedView view;
    view.Extension().progressTick = static_cast<LONG>(GetTickCount() - 20 * kUnansweredAfterMs);
  }
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
}

// With the watchdog asked for, the keyboard is withheld only while the program answers: once
// reports have waited unhandled longer than the limit, keys pass and say so; handling them
// restores the mode's word.
TEST_F(NodraLibTest, KeysPassWhenReportsGoUnansweredWhileTheModeSwallows) {
  nlReleaseHook();
  ASSERT_TRUE(nlStartHooks(window, NL_HOOK_ALL | NL_WATCHDOG));
  nlSetDispatchMode(0);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);  // waiting, but not for long yet
  {
    SharedView view;
    view.Extension().progressTick = static_cast<LONG>(GetTickCount() - 2 * kUnansweredAfterMs);
  }
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 0);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_UNANSWERED);

  EXPECT_EQ(nlSetReportsHandled(3), 1u);  // one key passed unanswered
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(nlSetReportsHandled(4), 1u);
  {
    SharedView view;  // idle for long with every report handled: still withheld
    view.Extension().progressTick = static_cast<LONG>(GetTickCount() - 2 * kUnansweredAfterMs);
  }
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);
}

// Beside a chord begun with nothing withheld, keys it cannot go on with pass at once; the first
// press withheld ends the list, so every key after it waits too.
TEST_F(NodraLibTest, KeysBesideAChordBegunPassUntilOneItGoesOnWithIsWithheld) {
  const LPARAM altFlags = 0x00380001;
  const unsigned short alt = 0x38;
  ASSERT_TRUE(nlSetContinuation(&alt, 1));
  nlSetDispatchMode(0);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 0);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags | 0xC0000000), 0);
  EXPECT_EQ(KeyboardProc(HC_ACTION, VK_MENU, altFlags), 1);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | 0xC0000000);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, altFlags | NL_KEY_WITHHELD);
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).lParam, kKeyAFlags | NL_KEY_WITHHELD);

  ASSERT_TRUE(nlSetContinuation(&alt, 1));  // an auto-repeat waits too, as it would be dropped
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags | 0x40000000), 1);
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 1);
  DropPosted();
}

// Release unhooks what this process installed, whatever another process wrote into the block.
TEST_F(NodraLibTest, ReleaseUnhooksItsOwnHooksNotTheBlocksFields) {
  HHOOK planted = SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, nullptr, GetCurrentThreadId());
  ASSERT_NE(planted, nullptr);
  {
    SharedView view;
    view->keyboardHook = HandleField(planted);
  }
  EXPECT_TRUE(nlReleaseHook());
  EXPECT_TRUE(UnhookWindowsHookEx(planted));  // still installed: nobody else removed it
}

TEST_F(NodraLibTest, WithoutTheBlockHooksHandOnAndReportNothing) {
  nlSetDispatchMode(0);
  nlReleaseHook();
  EXPECT_EQ(KeyboardProc(HC_ACTION, 'A', kKeyAFlags), 0);
  MSG request = {window, WM_FIND_REQUEST, 0, 0, 0, {0, 0}};
  GetMsgProc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&request));
  EXPECT_EQ(TakePosted(WM_HOOK_KEY).message, 0u);
  EXPECT_EQ(TakePosted(WM_FIND_REPLY).message, 0u);
}

TEST_F(NodraLibTest, FinderRequestAnswersWithThisProcess) {
  HWND asked = MakeWindow();
  MSG request = {asked, WM_FIND_REQUEST, 0, 0, 0, {0, 0}};
  EXPECT_EQ(GetMsgProc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&request)), 0);
  MSG reply = TakePosted(WM_FIND_REPLY);
  EXPECT_EQ(reply.wParam, reinterpret_cast<WPARAM>(asked));
  EXPECT_EQ(reply.lParam, 0);

  char path[NL_FIND_FIELD_SIZE], command[NL_FIND_FIELD_SIZE], own[MAX_PATH];
  ASSERT_TRUE(nlGetFindModulePath(path, NL_FIND_FIELD_SIZE));
  ASSERT_TRUE(nlGetFindModuleCommand(command, NL_FIND_FIELD_SIZE));
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  EXPECT_STREQ(path, own);
  EXPECT_EQ(std::string(command), std::string(GetCommandLineA()).substr(0, 260));
  DestroyWindow(asked);
}

TEST_F(NodraLibTest, CloseReportedForScCloseExactly) {
  for (WPARAM command : {WPARAM(SC_CLOSE + 1), WPARAM(SC_CLOSE + 0xF), WPARAM(SC_MINIMIZE), WPARAM(SC_CLOSE)}) {
    MSG message = {window, WM_SYSCOMMAND, command, 0, 0, {0, 0}};
    GetMsgProc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&message));
    const MSG report = TakePosted(WM_HOOK_CLOSE);
    EXPECT_EQ(report.message != 0, command == SC_CLOSE) << std::hex << command;
    EXPECT_EQ(report.wParam, 0u);
    EXPECT_EQ(report.lParam, 0);
  }
}

TEST_F(NodraLibTest, ActivationReportedForUnownedTopLevelWindowsOnly) {
  HWND child = MakeWindow(WS_CHILD, window);
  HWND owned = MakeWindow(WS_POPUP, window);
  struct Case {
    HWND hwnd;
    WPARAM state;
    bool reported;
  } cases[] = {
      {window, WA_ACTIVE, true},       {window, WA_CLICKACTIVE, true}, {window, MAKEWPARAM(WA_ACTIVE, 1), true},
      {window, WA_INACTIVE, false},    {window, MAKEWPARAM(WA_INACTIVE, 1), false},
      {child, WA_ACTIVE, false},       {owned, WA_CLICKACTIVE, false},
  };
  for (const Case& c : cases) {
    CWPSTRUCT record = {0, c.state, WM_ACTIVATE, c.hwnd};
    CallWndProc(HC_ACTION, 0, reinterpret_cast<LPARAM>(&record));
    const MSG report = TakePosted(WM_HOOK_ACTIVATE);
    EXPECT_EQ(report.message != 0, c.reported) << std::hex << c.state;
    if (c.reported) {
      EXPECT_EQ(report.wParam, reinterpret_cast<WPARAM>(c.hwnd));
    }
  }
  DestroyWindow(child);
  DestroyWindow(owned);
}

}  // namespace

#include "hooklib/low_level_hook.h"

#include <map>
#include <vector>

#include "hooklib/key_reports.h"
#include "hooklib/low_level_report.h"
#include "hooklib/output_inputs.h"

namespace {

constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchMs = 100;
constexpr UINT_PTR kSelfTestTimer = 2;
constexpr UINT kSelfTestMs = 2000;
// Copies that have not come back by then never will (the system refused them).
constexpr DWORD kCopyReturnMs = 1000;

struct TLowLevelHook {
  HANDLE mapping = nullptr;
  TSharedMapping* view = nullptr;
  HANDLE thread = nullptr;
  DWORD threadId = 0;
  HANDLE ready = nullptr;
  bool started = false;
  HWND window = nullptr;
  HHOOK hook = nullptr;
  DWORD lastCallTick = 0;
  DWORD sentTick = 0;
  bool handingOn = false;  // an event is being handed on down the chain
  bool sending = false;    // a batch is being sent
  bool sendAgain = false;  // more was decided for delivery meanwhile
  // The keys as the system holds them: every event the hook let through, copies included.
  volatile LONG systemDown[8] = {};
  // The outputs the program asked for, by the sequence of their place in the queue.
  std::map<uint16_t, std::vector<NL_OUTPUT_EVENT>> outputs;
} hook;

TSharedExtension& Extension() { return hook.view->extension; }

void SendBatch(const std::vector<TWithheldEvent>& events) {
  std::vector<INPUT> inputs(events.size());
  for (size_t at = 0; at < events.size(); ++at) {
    INPUT& input = inputs[at];
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = events[at].virtualKey;
    input.ki.wScan = events[at].scanCode;
    input.ki.dwFlags = (events[at].extended ? KEYEVENTF_EXTENDEDKEY : 0) | (events[at].release ? KEYEVENTF_KEYUP : 0);
    input.ki.dwExtraInfo = NL_DELIVERY_MARK;
  }
  hook.sentTick = GetTickCount();
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent < inputs.size()) ForgetSent(Extension());
  // The copies are input of this thread's own, which the system need not show its hook (Wine does
  // not): the self-test must not take them for input the hook missed.
  hook.lastCallTick = GetTickCount();
}

// Types an output in its place: against the keys the system holds once everything before it is
// out, which is why it waits for that.
void SendOutput(uint16_t sequence) {
  const auto found = hook.outputs.find(sequence);
  std::vector<INPUT> inputs;
  if (found != hook.outputs.end()) {
    inputs = OutputInputs(found->second, hook.systemDown, Extension().keysDown, NL_DELIVERY_MARK);
    hook.outputs.erase(found);
  }
  hook.sentTick = GetTickCount();
  const UINT sent = inputs.empty() ? 0 : SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  OutputSent(Extension(), sequence, static_cast<uint16_t>(sent < inputs.size() ? 0 : sent));
  hook.lastCallTick = GetTickCount();
}

// Sends what is decided for delivery, in queue order. The system may call the hook again while
// this thread sends (Wine does, waiting for the input to be taken): an event decided then waits
// until the batch under way is out, so it never lands in the middle of it.
void SendDeliveries() {
  if (hook.sending) {
    hook.sendAgain = true;
    return;
  }
  hook.sending = true;
  do {
    hook.sendAgain = false;
    const TDeliveries deliveries = TakeDeliveries(Extension());
    if (!deliveries.events.empty()) SendBatch(deliveries.events);
    if (deliveries.outputSequence >= 0) {
      SendOutput(static_cast<uint16_t>(deliveries.outputSequence));
      hook.sendAgain = true;  // what waited behind it may go now
    }
  } while (hook.sendAgain);
  hook.sending = false;
}

// While anything waits (withheld events, unhandled reports) a timer looks after it; none otherwise.
void WatchWhileBusy() {
  if (WithheldQueueBusy(Extension()) || ReportsWait(Extension())) SetTimer(hook.window, kWatchTimer, kWatchMs, nullptr);
}

// The program has not answered for too long: what it withheld goes to the windows, in order.
bool DeliverUnanswered(DWORD now) {
  if (!ReportsUnanswered(Extension(), now) || !DeliverAllPending(Extension())) return false;
  return true;
}

void OnWatchTimer() {
  const DWORD now = GetTickCount();
  if (DeliverUnanswered(now)) InterlockedIncrement(&Extension().passedUnanswered);
  if (now - hook.sentTick > kCopyReturnMs) ForgetSent(Extension());
  SendDeliveries();
  if (!WithheldQueueBusy(Extension()) && !ReportsWait(Extension())) KillTimer(hook.window, kWatchTimer);
}

TWithheldEvent WithheldEventOf(const KBDLLHOOKSTRUCT& event) {
  return {static_cast<uint8_t>(event.vkCode), static_cast<uint8_t>(event.scanCode),
          (event.flags & LLKHF_EXTENDED) != 0, (event.flags & LLKHF_UP) != 0};
}

// Decides and reports one event the user typed (or another program injected); true when it goes
// on now. An event that would pass while earlier ones are still withheld or on their way joins
// the queue behind them, decided for delivery.
bool DecideEvent(const KBDLLHOOKSTRUCT& event) {
  TSharedMapping& mapping = *hook.view;
  const DWORD now = GetTickCount();
  const LPARAM flags = KeystrokeFlagsOf(event, NoteKeyDown(mapping.extension.keysDown, event));
  const TKeyVerdict verdict = DecideKey(mapping, flags, now);
  const bool flushed = DeliverUnanswered(now);
  if (flushed && !verdict.unanswered) InterlockedIncrement(&mapping.extension.passedUnanswered);
  bool withheld = !verdict.pass;
  int sequence = -1;
  if (withheld || WithheldQueueBusy(mapping.extension)) {
    sequence = QueueWithheld(mapping.extension, WithheldEventOf(event), withheld ? kWithheldPending : kWithheldDeliver);
    if (sequence < 0) withheld = false;  // a full queue cannot hold it
  }
  WPARAM key = ReportedVirtualKey(event.vkCode);
  if (withheld) key |= static_cast<WPARAM>(sequence) << 16;
  const bool posted = PostKeyReport(mapping, key, ReportedFlags(flags, withheld, verdict.unanswered || flushed), now);
  if (withheld && !posted) DecideQueued(mapping.extension, static_cast<uint16_t>(sequence), kWithheldDeliver);
  if (sequence < 0) return true;
  SendDeliveries();
  WatchWhileBusy();
  return false;
}

LRESULT HandOn(int code, WPARAM wParam, LPARAM lParam) {
  hook.handingOn = true;
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  hook.handingOn = false;
  return result;
}

// While the self-test replaces the hook, the old one may still be in the chain behind the new one:
// an event handed on to it is not decided twice.
LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION || hook.handingOn) return CallNextHookEx(nullptr, code, wParam, lParam);
  const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  hook.lastCallTick = GetTickCount();
  if (IsOwnCopy(event)) {
    CopyReturned(Extension());
    hook.sentTick = hook.lastCallTick;  // copies still come: the rest is not given up on yet
    // An output waits for the copies before it; the last of them lets it go.
    if (OutputAtHead(Extension())) PostMessageA(hook.window, kWithheldDecidedMessage, 0, 0);
  } else if (!DecideEvent(event)) {
    return 1;
  }
  NoteKeyDown(hook.systemDown, event);
  return HandOn(code, wParam, lParam);
}

// The new hook goes in before the old one goes, so that no event passes unseen between them.
void InstallHook() {
  HHOOK replaced = hook.hook;
  hook.hook = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelKeyboardProc, GetModuleHandleA(nullptr), 0);
  if (replaced) UnhookWindowsHookEx(replaced);
  hook.lastCallTick = GetTickCount();
}

// The system removes a low-level hook that answered too slowly, without a word: when input came
// that the hook did not see, it is installed again.
void SelfTest() {
  LASTINPUTINFO input = {sizeof input, 0};
  if (!GetLastInputInfo(&input) || static_cast<LONG>(input.dwTime - hook.lastCallTick) <= 0) return;
  InstallHook();
  hook.lastCallTick = input.dwTime;
}

// The program's output (nlSendOutput): it takes the place of the withheld event it names, or goes
// behind everything queued. TRUE once it is queued.
LRESULT TakeOutput(const COPYDATASTRUCT& data) {
  const DWORD count = data.cbData / sizeof(NL_OUTPUT_EVENT);
  if (data.dwData > 0xFFFF + 1u || data.cbData % sizeof(NL_OUTPUT_EVENT) != 0 || count == 0 || count > NL_OUTPUT_MOST)
    return FALSE;
  const int anchor = data.dwData == 0 ? -1 : static_cast<int>(data.dwData - 1);
  const int sequence = PlaceOutput(Extension(), anchor);
  if (sequence < 0) return FALSE;
  const auto* events = static_cast<const NL_OUTPUT_EVENT*>(data.lpData);
  hook.outputs[static_cast<uint16_t>(sequence)].assign(events, events + count);
  SendDeliveries();
  WatchWhileBusy();
  return TRUE;
}

LRESULT CALLBACK HookWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) return TakeOutput(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  if (message == kWithheldDecidedMessage) {
    SendDeliveries();
    WatchWhileBusy();
    return 0;
  }
  if (message == WM_TIMER) {
    if (wParam == kWatchTimer) OnWatchTimer();
    else if (wParam == kSelfTestTimer) SelfTest();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The keys down when the hook starts, from the system's state (no press of them was withheld yet).
void TakeKeysDown() {
  for (volatile LONG& word : Extension().keysDown) InterlockedExchange(&word, 0);
  for (int key = 1; key < 256; ++key) {
    if (!(GetAsyncKeyState(key) & 0x8000)) continue;
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) continue;  // the sided codes say it
    KBDLLHOOKSTRUCT press = {};
    press.vkCode = static_cast<DWORD>(key);
    if (key == VK_RSHIFT) press.scanCode = 0x36;
    if (key == VK_RCONTROL || key == VK_RMENU) press.flags = LLKHF_EXTENDED;
    NoteKeyDown(Extension().keysDown, press);
  }
}

// A queue left by a hook process that ended: what it had sent is gone with it, and so are the
// outputs it kept; what waits stays.
void TakeOverQueue() {
  TakeKeysDown();
  for (size_t at = 0; at < 8; ++at) hook.systemDown[at] = Extension().keysDown[at];
  ForgetSent(Extension());
  DropOutputs(Extension());
  SendDeliveries();
}

void EndHook() {
  DeliverAllPending(Extension());
  SendDeliveries();
  if (hook.hook) UnhookWindowsHookEx(hook.hook);
  hook.hook = nullptr;
  InterlockedCompareExchange(&Extension().hookWindow, 0, static_cast<LONG>(HandleField(hook.window)));
  DestroyWindow(hook.window);
}

DWORD WINAPI HookThread(LPVOID) {
  hook.window = CreateMessageWindow("VakroKeyHook", HookWindowProc);
  if (hook.window) InstallHook();
  hook.started = hook.window && hook.hook;
  if (hook.started) {
    TakeOverQueue();
    InterlockedExchange(&Extension().hookWindow, static_cast<LONG>(HandleField(hook.window)));
    SetTimer(hook.window, kSelfTestTimer, kSelfTestMs, nullptr);
  }
  SetEvent(hook.ready);
  if (!hook.started) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  EndHook();
  return 0;
}

}  // namespace

HWND CreateMessageWindow(const char* className, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

bool StartLowLevelHook() {
  hook.mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedBlockName);
  if (!hook.mapping) return false;
  hook.view = static_cast<TSharedMapping*>(MapViewOfFile(hook.mapping, FILE_MAP_WRITE, 0, 0, kSharedMappingSize));
  hook.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!hook.view || !hook.ready) return false;
  hook.thread = CreateThread(nullptr, 0, HookThread, nullptr, 0, &hook.threadId);
  if (!hook.thread) return false;
  WaitForSingleObject(hook.ready, INFINITE);
  return hook.started;
}

void StopLowLevelHook() {
  if (hook.thread) {
    PostThreadMessageA(hook.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(hook.thread, INFINITE);
    CloseHandle(hook.thread);
  }
  if (hook.ready) CloseHandle(hook.ready);
  if (hook.view) UnmapViewOfFile(hook.view);
  if (hook.mapping) CloseHandle(hook.mapping);
  hook = {};
}

#include "hooklib/key_reports.h"

namespace {

LONG Waiting(const TSharedExtension& extension) {
  return static_cast<LONG>(static_cast<DWORD>(extension.reportsPosted) -
                           static_cast<DWORD>(extension.reportsHandled));
}

TWithheldEntry& EntryAt(TSharedExtension& extension, LONG position) {
  return extension.withheld[static_cast<DWORD>(position) % kWithheldCapacity];
}

const TWithheldEntry& EntryAt(const TSharedExtension& extension, LONG position) {
  return extension.withheld[static_cast<DWORD>(position) % kWithheldCapacity];
}

TWithheldState StateAt(const TSharedExtension& extension, LONG position) {
  return WithheldStateOf(EntryAt(extension, position).word);
}

bool IsFinished(TWithheldState state) { return state == kWithheldDropped || state == kWithheldFree; }

// Removes the finished entries at the head.
void RemoveFinished(TSharedExtension& extension) {
  LONG head = extension.head;
  while (head != extension.tail && IsFinished(StateAt(extension, head))) {
    EntryAt(extension, head).word = kWithheldFree;
    ++head;
  }
  InterlockedExchange(&extension.head, head);
}

// Whether the event passes a swallowing mode because it cannot go on with the chord begun. A
// press that can, or an auto-repeat, is withheld and ends the list, so that no later key
// overtakes it.
bool PassesBesideTheChord(TSharedExtension& extension, LPARAM flags) {
  const LONG count = extension.continuationCount;
  if (count <= 0 || count > kContinuationCapacity) return false;
  const bool passes = PassesBeside(extension.continuation, static_cast<size_t>(count), static_cast<uint32_t>(flags));
  if (!passes) InterlockedExchange(&extension.continuationCount, 0);
  return passes;
}

// Whether the event is the first press of a key sequence's first key, which a passing mode
// withholds too.
bool BeginsSequence(const TSharedExtension& extension, LPARAM flags) {
  const LONG count = extension.leaderCount;
  if (count <= 0 || count > kLeaderCapacity) return false;
  return IsLeaderPress(extension.leaders, static_cast<size_t>(count), static_cast<uint32_t>(flags));
}

}  // namespace

bool ReportsUnanswered(const TSharedExtension& extension, DWORD now) {
  return (extension.options & NL_WATCHDOG) && Waiting(extension) > 0 &&
         now - static_cast<DWORD>(extension.progressTick) > kUnansweredAfterMs;
}

bool ReportsWait(const TSharedExtension& extension) { return Waiting(extension) > 0; }

void CountPostedReport(TSharedExtension& extension, DWORD now) {
  const LONG before = InterlockedIncrement(&extension.reportsPosted) - 1;
  if (before == extension.reportsHandled) InterlockedExchange(&extension.progressTick, static_cast<LONG>(now));
}

void CountHandledReports(TSharedExtension& extension, DWORD total, DWORD now) {
  InterlockedExchange(&extension.progressTick, static_cast<LONG>(now));
  InterlockedExchange(&extension.reportsHandled, static_cast<LONG>(total));
}

TKeyVerdict DecideKey(TSharedMapping& mapping, LPARAM flags, DWORD now) {
  const bool swallowing = mapping.block.dispatchMode != DISPATCH_PASS ? !PassesBesideTheChord(mapping.extension, flags)
                                                                     : BeginsSequence(mapping.extension, flags);
  const bool unanswered = swallowing && ReportsUnanswered(mapping.extension, now);
  // Counted before the report can be read: the program forgets the chord of what came before.
  if (unanswered) InterlockedIncrement(&mapping.extension.passedUnanswered);
  return {!swallowing || unanswered, unanswered};
}

LPARAM ReportedFlags(LPARAM flags, bool withheld, bool unanswered) {
  LPARAM reported = flags & ~static_cast<LPARAM>(0x1E000000);  // the reserved bits
  if (withheld) reported |= NL_KEY_WITHHELD;
  if (unanswered) reported |= NL_KEY_UNANSWERED;
  return reported;
}

bool PostKeyReport(TSharedMapping& mapping, WPARAM key, LPARAM flags, DWORD now) {
  const HWND engine = HandleFromField<HWND>(mapping.block.engineWindow);
  if (!PostMessageA(engine, WM_HOOK_KEY, key, flags)) return false;
  CountPostedReport(mapping.extension, now);
  return true;
}

bool WithheldQueueBusy(const TSharedExtension& extension) {
  for (LONG at = extension.head; at != extension.tail; ++at)
    if (!IsFinished(StateAt(extension, at))) return true;
  return false;
}

int QueueWithheld(TSharedExtension& extension, const TWithheldEvent& event, TWithheldState state) {
  RemoveFinished(extension);
  const LONG tail = extension.tail;
  if (tail - extension.head >= kWithheldCapacity) return -1;
  TWithheldEntry& entry = EntryAt(extension, tail);
  entry.virtualKey = event.virtualKey;
  entry.scanCode = event.scanCode;
  entry.extended = event.extended;
  entry.release = event.release;
  const auto sequence = static_cast<uint16_t>(tail);
  InterlockedExchange(&entry.word, WithheldWord(sequence, state));
  InterlockedExchange(&extension.tail, tail + 1);  // the entry is whole before it counts
  return sequence;
}

bool DecideQueued(TSharedExtension& extension, uint16_t sequence, TWithheldState state) {
  TWithheldEntry& entry = extension.withheld[sequence % kWithheldCapacity];
  const LONG pending = WithheldWord(sequence, kWithheldPending);
  return InterlockedCompareExchange(&entry.word, WithheldWord(sequence, state), pending) == pending;
}

bool DeliverAllPending(TSharedExtension& extension) {
  bool any = false;
  for (LONG at = extension.head; at != extension.tail; ++at)
    if (StateAt(extension, at) == kWithheldPending)
      any = DecideQueued(extension, static_cast<uint16_t>(at), kWithheldDeliver) || any;
  return any;
}

TDeliveries TakeDeliveries(TSharedExtension& extension) {
  RemoveFinished(extension);
  TDeliveries deliveries;
  for (LONG at = extension.head; at != extension.tail; ++at) {
    TWithheldEntry& entry = EntryAt(extension, at);
    const TWithheldState state = WithheldStateOf(entry.word);
    if (state == kWithheldPending) break;
    const auto sequence = static_cast<uint16_t>(at);
    if (state == kWithheldOutput) {
      if (at == extension.head) deliveries.outputSequence = sequence;
      break;
    }
    if (state != kWithheldDeliver) continue;
    entry.copiesOut = 1;
    InterlockedExchange(&entry.word, WithheldWord(sequence, kWithheldSent));
    deliveries.events.push_back({entry.virtualKey, entry.scanCode, entry.extended != 0, entry.release != 0});
  }
  return deliveries;
}

void OutputSent(TSharedExtension& extension, uint16_t sequence, uint16_t copies) {
  TWithheldEntry& entry = extension.withheld[sequence % kWithheldCapacity];
  entry.copiesOut = copies;
  InterlockedExchange(&entry.word, WithheldWord(sequence, copies > 0 ? kWithheldSent : kWithheldDropped));
  RemoveFinished(extension);
}

bool OutputAtHead(const TSharedExtension& extension) {
  for (LONG at = extension.head; at != extension.tail; ++at) {
    const TWithheldState state = StateAt(extension, at);
    if (!IsFinished(state)) return state == kWithheldOutput;
  }
  return false;
}

int PlaceOutput(TSharedExtension& extension, int anchor) {
  if (anchor >= 0 && DecideQueued(extension, static_cast<uint16_t>(anchor), kWithheldOutput)) return anchor;
  return QueueWithheld(extension, {0, 0, false, false}, kWithheldOutput);
}

void DropOutputs(TSharedExtension& extension) {
  for (LONG at = extension.head; at != extension.tail; ++at)
    if (StateAt(extension, at) == kWithheldOutput)
      InterlockedExchange(&EntryAt(extension, at).word, WithheldWord(static_cast<uint16_t>(at), kWithheldDropped));
  RemoveFinished(extension);
}

void CopyReturned(TSharedExtension& extension) {
  for (LONG at = extension.head; at != extension.tail; ++at) {
    TWithheldEntry& entry = EntryAt(extension, at);
    if (WithheldStateOf(entry.word) != kWithheldSent) continue;
    if (entry.copiesOut > 1) {
      --entry.copiesOut;
      return;
    }
    InterlockedExchange(&entry.word, WithheldWord(static_cast<uint16_t>(at), kWithheldDropped));
    break;
  }
  RemoveFinished(extension);
}

void ForgetSent(TSharedExtension& extension) {
  for (LONG at = extension.head; at != extension.tail; ++at) {
    TWithheldEntry& entry = EntryAt(extension, at);
    if (WithheldStateOf(entry.word) == kWithheldSent)
      InterlockedExchange(&entry.word, WithheldWord(static_cast<uint16_t>(at), kWithheldDropped));
  }
  RemoveFinished(extension);
}

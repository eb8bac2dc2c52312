// The protocol between the hooks and the program, in one place: how a key event is decided from
// the mode, the keys beside a chord and the watchdog; how it is reported; and the queue of the
// events the low-level hook withholds until the program has its word on them. No timer of the
// program's: each key event, and the hook's own timer while reports wait, looks at how long the
// oldest waiting report has gone unanswered.
#pragma once

#include <vector>

#include "hooklib/shared_block.h"

// Reports may wait this long while the mode says swallow; after that keys pass.
inline constexpr DWORD kUnansweredAfterMs = 500;

// Whether the host asked for the watchdog and reports have waited unhandled longer than
// kUnansweredAfterMs at `now`.
bool ReportsUnanswered(const TSharedExtension& extension, DWORD now);
// Whether reports wait unhandled.
bool ReportsWait(const TSharedExtension& extension);
// Counts one more posted report; the first of a backlog starts its clock.
void CountPostedReport(TSharedExtension& extension, DWORD now);
// The program has handled `total` reports; any progress restarts the clock.
void CountHandledReports(TSharedExtension& extension, DWORD total, DWORD now);

// What a hook does with one key event: every event while the mode passes goes on; otherwise the
// event is withheld, unless reports have gone unanswered too long or the event cannot go on with
// the chord begun (see TSharedExtension::continuation).
struct TKeyVerdict {
  bool pass;
  bool unanswered;
};
TKeyVerdict DecideKey(TSharedMapping& mapping, LPARAM flags, DWORD now);

// The keystroke flags as reported: the platform's own bits, and in the reserved ones the verdict.
LPARAM ReportedFlags(LPARAM flags, bool withheld, bool unanswered);
// Posts the report of a key event to the program and counts it; false when it could not be posted.
bool PostKeyReport(TSharedMapping& mapping, WPARAM key, LPARAM flags, DWORD now);

// Posted to the low-level hook's window (TSharedExtension::hookWindow) when the program decided
// withheld events.
inline constexpr UINT kWithheldDecidedMessage = WM_APP + 1;

// The withheld queue, as the low-level hook's thread keeps it.
struct TWithheldEvent {
  uint8_t virtualKey;
  uint8_t scanCode;
  bool extended;
  bool release;
};
// Whether an entry is still to be delivered, dropped or come back: a passing event then waits
// behind it.
bool WithheldQueueBusy(const TSharedExtension& extension);
// Adds an event in the state given; its sequence number, or -1 when the queue is full.
int QueueWithheld(TSharedExtension& extension, const TWithheldEvent& event, TWithheldState state);
// Moves the entry of `sequence` from pending to `state`; false when it is not pending.
bool DecideQueued(TSharedExtension& extension, uint16_t sequence, TWithheldState state);
// Every pending entry is delivered (the program does not answer); whether there was one.
bool DeliverAllPending(TSharedExtension& extension);
// The entries to send now: from the head, every one decided for delivery up to the first that
// waits for the program, marked as sent. Dropped and returned entries at the head are removed.
// An output waits until everything before it is out and back, so that it is typed against the
// key state the events before it leave; it is then taken alone (`outputSequence`).
struct TDeliveries {
  std::vector<TWithheldEvent> events;
  int outputSequence = -1;
};
TDeliveries TakeDeliveries(TSharedExtension& extension);
// The output of `sequence` went out as `copies` events (none: it is done).
void OutputSent(TSharedExtension& extension, uint16_t sequence, uint16_t copies);
// Whether an output is the next thing to send.
bool OutputAtHead(const TSharedExtension& extension);
// Puts an output in the place of the pending event `anchor`, or behind everything queued when
// there is none (-1) or it is no longer pending; its sequence, or -1 when the queue is full.
int PlaceOutput(TSharedExtension& extension, int anchor);
// Outputs whose events a hook process that ended took with it: they are dropped.
void DropOutputs(TSharedExtension& extension);
// A sent event came back through the hook: its entry is done once all its copies are back.
void CopyReturned(TSharedExtension& extension);
// Sent events that will not come back (the system refused them): their entries are done.
void ForgetSent(TSharedExtension& extension);

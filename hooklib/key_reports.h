// The hooks' side of the key-report bookkeeping: the keyboard is withheld only while the program
// keeps up with the reports. No timer: each key event looks at how long the oldest waiting
// report has gone unanswered.
#pragma once

#include "hooklib/shared_block.h"

// Reports may wait this long while the mode says swallow; after that keys pass.
inline constexpr DWORD kUnansweredAfterMs = 500;

// Whether reports have waited unhandled longer than kUnansweredAfterMs at `now`.
bool ReportsUnanswered(const TSharedExtension& extension, DWORD now);
// Counts one more posted report; the first of a backlog starts its clock.
void CountPostedReport(TSharedExtension& extension, DWORD now);
// The program has handled `total` reports; any progress restarts the clock.
void CountHandledReports(TSharedExtension& extension, DWORD total, DWORD now);

// What a hook does with one key event: a re-sent event and every event while the mode passes go
// on; otherwise the event is withheld, unless reports have gone unanswered too long or the event
// cannot go on with the chord begun (see TSharedExtension::continuation).
struct TKeyVerdict {
  bool pass;
  bool resent;
  bool unanswered;
};
TKeyVerdict DecideKey(TSharedMapping& mapping, bool resent, LPARAM flags, DWORD now);

// The keystroke flags as reported: the platform's own bits, and in the reserved ones the verdict.
LPARAM ReportedFlags(LPARAM flags, const TKeyVerdict& verdict);
// Posts the report of a key event to the program and counts it.
void PostKeyReport(TSharedMapping& mapping, WPARAM key, LPARAM flags, DWORD now);

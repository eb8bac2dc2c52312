#include "hooklib/key_reports.h"

namespace {

LONG Waiting(const TSharedExtension& extension) {
  return static_cast<LONG>(static_cast<DWORD>(extension.reportsPosted) -
                           static_cast<DWORD>(extension.reportsHandled));
}

}  // namespace

bool ReportsUnanswered(const TSharedExtension& extension, DWORD now) {
  return Waiting(extension) > 0 && now - static_cast<DWORD>(extension.progressTick) > kUnansweredAfterMs;
}

void CountPostedReport(TSharedExtension& extension, DWORD now) {
  const LONG before = InterlockedIncrement(&extension.reportsPosted) - 1;
  if (before == extension.reportsHandled) InterlockedExchange(&extension.progressTick, static_cast<LONG>(now));
}

void CountHandledReports(TSharedExtension& extension, DWORD total, DWORD now) {
  InterlockedExchange(&extension.progressTick, static_cast<LONG>(now));
  InterlockedExchange(&extension.reportsHandled, static_cast<LONG>(total));
}

namespace {

// Whether the event passes a swallowing mode because it cannot go on with the chord begun: a
// release, or the first press of a key that no chord goes on with. A press that can, or an
// auto-repeat, is withheld and ends the list, so that no later key overtakes it. (The replay
// oracle models the same rule through TKeyDispatcher::PassesBesideTheChord; this library stands
// alone and keeps its own copy.)
bool PassesBesideTheChord(TSharedExtension& extension, LPARAM flags) {
  const LONG count = extension.continuationCount;
  if (count <= 0 || count > kContinuationCapacity) return false;
  if (flags & 0x80000000u) return true;
  const uint16_t key = static_cast<uint16_t>((flags >> 16) & 0x1FF);
  bool continues = (flags & 0x40000000) != 0;
  for (LONG at = 0; at < count && !continues; ++at) continues = extension.continuation[at] == key;
  if (continues) InterlockedExchange(&extension.continuationCount, 0);
  return !continues;
}

}  // namespace

TKeyVerdict DecideKey(TSharedMapping& mapping, bool resent, LPARAM flags, DWORD now) {
  const bool swallowing = mapping.block.dispatchMode != DISPATCH_PASS && !resent &&
                          !PassesBesideTheChord(mapping.extension, flags);
  const bool unanswered = !resent && swallowing && ReportsUnanswered(mapping.extension, now);
  // Counted before the report can be read: the program drops what it withheld before this key.
  if (unanswered) InterlockedIncrement(&mapping.extension.passedUnanswered);
  return {resent || !swallowing || unanswered, resent, unanswered};
}

LPARAM ReportedFlags(LPARAM flags, const TKeyVerdict& verdict) {
  LPARAM reported = flags & ~static_cast<LPARAM>(0x1E000000);  // the reserved bits
  if (!verdict.pass) reported |= NL_KEY_WITHHELD;
  if (verdict.resent) reported |= NL_KEY_REPLAYED;
  if (verdict.unanswered) reported |= NL_KEY_UNANSWERED;
  return reported;
}

void PostKeyReport(TSharedMapping& mapping, WPARAM key, LPARAM flags, DWORD now) {
  const HWND engine = HandleFromField<HWND>(mapping.block.engineWindow);
  if (!PostMessageA(engine, WM_HOOK_KEY, key, flags)) return;
  CountPostedReport(mapping.extension, now);
  if (flags & NL_KEY_WITHHELD) InterlockedIncrement(&mapping.extension.withheldPosted);
}

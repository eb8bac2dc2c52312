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

TKeyVerdict DecideKey(TSharedMapping& mapping, bool resent, DWORD now) {
  const bool swallowing = mapping.block.dispatchMode != DISPATCH_PASS;
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
  if (PostMessageA(engine, WM_HOOK_KEY, key, flags)) CountPostedReport(mapping.extension, now);
}

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

// The key channel: everything vakro says to the hooks and hears from them. It installs the hooks
// with a window as their `engineWindow`, keeps the hook process running, and carries the
// dispatcher's decisions to the hook library (the mode, the keys a chord goes on with, the first
// keys of the sequences, withheld keys delivered or dropped, typed output). It decides nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/hook_process.h"
#include "engine/key_dispatcher.h"
#include "engine/output_events.h"

class TKeyChannel {
 public:
  // The window's messages for the hook process: it ended, and the timer that starts it again.
  static constexpr UINT kHookProcessEndedMessage = WM_APP + 700;
  static constexpr UINT_PTR kHookRestartTimer = 1;

  TKeyChannel() = default;
  ~TKeyChannel();
  TKeyChannel(const TKeyChannel&) = delete;
  TKeyChannel& operator=(const TKeyChannel&) = delete;

  // Installs the hooks for `window` and starts the hook process; false when there are no hot keys.
  bool Open(HWND window);
  // The hook process ended before vakro: it is started again, at most once a second.
  void OnHookProcessEnded();
  void OnRestartTimer();

  // A swallowing mode with keys a chord goes on with lets the hooks pass the others.
  void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation);
  // The first keys of the key sequences, withheld even while the keyboard passes; told only when
  // they change.
  void SetLeaders(const std::vector<uint16_t>& leaders);
  void DecideWithheld(const std::vector<uint16_t>& sequences, bool deliver);
  bool SendOutput(const TOutputEvents& events, std::optional<uint16_t> inPlaceOf);

  bool KeyIsDown(uint32_t virtualKey) const;
  bool ReportsWaiting() const;
  uint32_t SetReportsHandled(uint32_t total);
  // One more key report handled, as a property of the window that input tools pace by.
  void CountHandledKey();

  // The finder's answer in the shared block: the module path and the command line.
  static std::string FinderModulePath();
  static std::string FinderCommandLine();

 private:
  bool StartHookProcess();

  HWND window_ = nullptr;
  THookProcess hookProcess_;
  uint32_t hookStartTick_ = 0;
  uintptr_t keysHandled_ = 0;
  std::vector<uint16_t> leadersSent_;
};

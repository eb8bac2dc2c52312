#include "engine/key_channel.h"

#include "hooklib/nodralib.h"

namespace {

constexpr UINT kHookRestartMs = 1000;

// A finder field copied whole from the shared block, always terminated inside its bytes.
std::string FetchFinderField(BOOL(WINAPI* getter)(char*, int)) {
  char buffer[NL_FIND_FIELD_SIZE] = {};
  if (!getter(buffer, sizeof buffer)) return {};
  buffer[NL_FIND_FIELD_SIZE - 1] = '\0';
  return buffer;
}

}  // namespace

TKeyChannel::~TKeyChannel() {
  hookProcess_.Forget();
  nlReleaseHook();
  if (window_) RemovePropA(window_, NL_KEYS_HANDLED_PROPERTY);
}

// vakro's own hooks answer the finder and report activations and close commands; every key
// event is decided by the hook process's low-level hook, so no program calls into the library
// for its keys.
bool TKeyChannel::Open(HWND window) {
  window_ = window;
  return nlStartHooks(window, NL_HOOK_GETMESSAGE | NL_HOOK_CALLWNDPROC | NL_WATCHDOG) != FALSE &&
         StartHookProcess();
}

bool TKeyChannel::StartHookProcess() {
  hookStartTick_ = GetTickCount();
  return hookProcess_.Start(window_, kHookProcessEndedMessage);
}

// Keys pass meanwhile, since the process's hook went with it.
void TKeyChannel::OnHookProcessEnded() {
  const uint32_t since = GetTickCount() - hookStartTick_;
  if (since >= kHookRestartMs) StartHookProcess();
  else SetTimer(window_, kHookRestartTimer, kHookRestartMs - since, nullptr);
}

void TKeyChannel::OnRestartTimer() {
  KillTimer(window_, kHookRestartTimer);
  StartHookProcess();
}

// The list goes in before the mode, and goes before any other mode is set.
void TKeyChannel::SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) {
  const bool listed = mode == TDispatchMode::kSwallow && !continuation.empty();
  nlSetContinuation(listed ? continuation.data() : nullptr, listed ? static_cast<UINT>(continuation.size()) : 0);
  nlSetDispatchMode(static_cast<signed char>(mode));
}

void TKeyChannel::SetLeaders(const std::vector<uint16_t>& leaders) {
  if (leaders == leadersSent_) return;
  if (nlSetLeaders(leaders.data(), static_cast<UINT>(leaders.size()))) leadersSent_ = leaders;
}

void TKeyChannel::DecideWithheld(const std::vector<uint16_t>& sequences, bool deliver) {
  nlDecideWithheld(sequences.data(), static_cast<UINT>(sequences.size()), deliver ? TRUE : FALSE);
}

bool TKeyChannel::SendOutput(const TOutputEvents& events, std::optional<uint16_t> inPlaceOf) {
  return nlSendOutput(events.data(), static_cast<UINT>(events.size()), inPlaceOf ? *inPlaceOf : -1) != FALSE;
}

bool TKeyChannel::KeyIsDown(uint32_t virtualKey) const { return nlKeyIsDown(virtualKey) != FALSE; }

bool TKeyChannel::ReportsWaiting() const { return nlReportsWaiting() > 0; }

uint32_t TKeyChannel::SetReportsHandled(uint32_t total) { return nlSetReportsHandled(total); }

void TKeyChannel::CountHandledKey() {
  ++keysHandled_;
  SetPropA(window_, NL_KEYS_HANDLED_PROPERTY, reinterpret_cast<HANDLE>(keysHandled_));
}

std::string TKeyChannel::FinderModulePath() { return FetchFinderField(nlGetFindModulePath); }

std::string TKeyChannel::FinderCommandLine() { return FetchFinderField(nlGetFindModuleCommand); }

#include "hooklib/resent_keys.h"

#include <cstring>

namespace {

struct TStateKey {
  uint8_t bit;
  BYTE virtualKey;
  BYTE generic;  // the key that stands for both sides, or 0
};

constexpr TStateKey kStateKeys[] = {
    {NL_STATE_LSHIFT, VK_LSHIFT, VK_SHIFT},     {NL_STATE_RSHIFT, VK_RSHIFT, VK_SHIFT},
    {NL_STATE_LCONTROL, VK_LCONTROL, VK_CONTROL}, {NL_STATE_RCONTROL, VK_RCONTROL, VK_CONTROL},
    {NL_STATE_LMENU, VK_LMENU, VK_MENU},        {NL_STATE_RMENU, VK_RMENU, VK_MENU},
};

bool DetectWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

bool MarkRidesInFlags() {
  static const bool underWine = DetectWine();
  return underWine;
}

bool IsResentEvent(LPARAM flags) {
  if ((flags & NL_RESENT_FLAGS_MARK) == NL_RESENT_FLAGS_MARK) return true;
  return !MarkRidesInFlags() && GetMessageExtraInfo() == static_cast<LPARAM>(NL_REPLAY_MARK);
}

uint8_t TakeResentState(TSharedExtension& extension, WPARAM key, LPARAM flags) {
  const uint8_t scan = static_cast<uint8_t>((flags >> 16) & 0xFF);
  const uint8_t identity = ResentFlagsOf(flags);
  const LONG count = extension.resentCount;
  for (LONG at = extension.resentNext; at >= 0 && at < count && at < kResentCapacity; ++at) {
    const NL_RESENT_KEY& entry = extension.resent[at];
    if (entry.virtualKey != (key & 0xFF) || entry.scanCode != scan || entry.flags != identity) continue;
    InterlockedExchange(&extension.resentNext, at + 1);
    return entry.keyState;
  }
  return 0;
}

uint8_t CompactKeyState(const BYTE keys[256]) {
  uint8_t state = NL_STATE_KNOWN;
  for (const TStateKey& key : kStateKeys)
    if (keys[key.virtualKey] & 0x80) state |= key.bit;
  if (keys[VK_CAPITAL] & 0x01) state |= NL_STATE_CAPITAL;
  return state;
}

void PutKeyState(BYTE keys[256], uint8_t state, uint8_t mask) {
  for (const TStateKey& key : kStateKeys) {
    if (!(mask & key.bit)) continue;
    keys[key.virtualKey] = (state & key.bit) ? (keys[key.virtualKey] | 0x80) : (keys[key.virtualKey] & ~0x80);
  }
  for (const TStateKey& key : kStateKeys) keys[key.generic] &= ~0x80;
  for (const TStateKey& key : kStateKeys)
    if (keys[key.virtualKey] & 0x80) keys[key.generic] |= 0x80;
  if (mask & NL_STATE_CAPITAL)
    keys[VK_CAPITAL] = (state & NL_STATE_CAPITAL) ? (keys[VK_CAPITAL] | 0x01) : (keys[VK_CAPITAL] & ~0x01);
}

namespace {

// Keys whose state the thread keeps beside the modifiers: a re-sent press would toggle them again.
bool IsToggleKey(BYTE key) { return key == VK_CAPITAL || key == VK_NUMLOCK || key == VK_SCROLL || key == VK_KANA; }

bool IsStateKey(BYTE key) {
  for (const TStateKey& stateKey : kStateKeys)
    if (key == stateKey.virtualKey || key == stateKey.generic) return true;
  return IsToggleKey(key);
}

}  // namespace

// A re-sent letter whose state matches costs one look at the thread's state and nothing after.
void LendKeyState(TKeyStateLoan& loan, uint8_t state, BYTE ownKey) {
  loan.active = false;
  const bool ownKeyMatters = IsStateKey(ownKey);
  if (!(state & NL_STATE_KNOWN) && !ownKeyMatters) return;
  if (!GetKeyboardState(loan.before)) return;
  loan.ownKey = ownKey;
  const uint8_t mask = (state & NL_STATE_KNOWN)
                           ? static_cast<uint8_t>((CompactKeyState(loan.before) ^ state) & ~NL_STATE_KNOWN)
                           : 0;
  loan.active = mask != 0 || ownKeyMatters;
  if (!mask) return;
  BYTE keys[256];
  memcpy(keys, loan.before, sizeof keys);
  PutKeyState(keys, state, mask);
  SetKeyboardState(keys);
}

void ReturnKeyState(TKeyStateLoan& loan) {
  if (!loan.active) return;
  loan.active = false;
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return;
  bool changed = false;
  const auto giveBack = [&](BYTE key) {
    changed |= keys[key] != loan.before[key];
    keys[key] = loan.before[key];
  };
  for (const TStateKey& key : kStateKeys) {
    giveBack(key.virtualKey);
    giveBack(key.generic);
  }
  giveBack(VK_CAPITAL);
  if (IsToggleKey(loan.ownKey)) giveBack(loan.ownKey);
  if (changed) SetKeyboardState(keys);
}

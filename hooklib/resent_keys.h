// Key events the program re-sends: how a hook tells them from real ones, and the key state they
// were typed in, which the receiving thread gets back while it handles them. (A withheld event
// still changes the thread's key state, so a Shift released before the re-sent key arrives
// would otherwise make it arrive unshifted.)
#pragma once

#include "hooklib/shared_block.h"

// Whether the event carries the program's mark: in its keystroke flags, or where the system gives
// the keyboard hook the message's extra info, there.
bool IsResentEvent(LPARAM flags);
// Whether the re-sent events carry the mark in their keystroke flags on this system (Wine sets
// the message's extra info only after the keyboard hook has run).
bool MarkRidesInFlags();

// The key state recorded for a re-sent event: the first entry of the batch from `resentNext` on
// with its identity, which is taken; 0 (unknown) when none matches.
uint8_t TakeResentState(TSharedExtension& extension, WPARAM key, LPARAM flags);

// The NL_STATE_* bits of a key-state table, and a table with the `mask` bits of `state` put in
// (the left and right keys and the generic key of each pair).
uint8_t CompactKeyState(const BYTE keys[256]);
void PutKeyState(BYTE keys[256], uint8_t state, uint8_t mask);

// What a thread's key state was before a re-sent event: its own key and the modifiers get it back
// afterwards. The thread's state already took in the withheld original (and every real event
// after it), so the copy's own transition, and the recorded state it was lent, last only while
// the copy itself is handled.
struct TKeyStateLoan {
  bool active = false;
  BYTE ownKey = 0;
  BYTE before[256] = {};
};

// Gives this thread `state` (when NL_STATE_KNOWN is set) for the re-sent event of `ownKey`.
void LendKeyState(TKeyStateLoan& loan, uint8_t state, BYTE ownKey);
// Gives back the thread's own state of the modifiers and of the re-sent key where that is a
// modifier or a toggle key (the thread took in the original's transition already).
void ReturnKeyState(TKeyStateLoan& loan);

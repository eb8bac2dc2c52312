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

// What a thread's key state was before a re-sent event got its recorded state, so that it gets
// its own back afterwards: the bits changed, their values before and as put.
struct TKeyStateLoan {
  uint8_t mask = 0;
  uint8_t before = 0;
  uint8_t lent = 0;
};

// Gives this thread `state` (NL_STATE_KNOWN set) and says what to give back.
TKeyStateLoan LendKeyState(uint8_t state);
// Gives back what the loan changed, where the thread's state still holds what was lent.
void ReturnKeyState(const TKeyStateLoan& loan);

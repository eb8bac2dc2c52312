// The named block of memory that the program and every hooked process share.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "hooklib/nodralib.h"

inline constexpr char kSharedBlockName[] = "NodraMemFileJP01";
inline constexpr DWORD kSharedBlockSize = 544;

// Handles are kept as 32-bit values so the layout is the same for 32- and 64-bit processes.
struct SharedHookBlock {
  uint32_t engineWindow;
  int8_t dispatchMode;
  uint8_t unused1[3];
  uint32_t keyboardHook;
  uint32_t getMessageHook;
  uint32_t callWndProcHook;
  char findModulePath[NL_FIND_FIELD_SIZE];
  char findCommandLine[NL_FIND_FIELD_SIZE];
  uint8_t unused2[2];
};

static_assert(offsetof(SharedHookBlock, engineWindow) == 0);
static_assert(offsetof(SharedHookBlock, dispatchMode) == 4);
static_assert(offsetof(SharedHookBlock, keyboardHook) == 8);
static_assert(offsetof(SharedHookBlock, getMessageHook) == 12);
static_assert(offsetof(SharedHookBlock, callWndProcHook) == 16);
static_assert(offsetof(SharedHookBlock, findModulePath) == 20);
static_assert(offsetof(SharedHookBlock, findCommandLine) == 281);
static_assert(offsetof(SharedHookBlock, unused2) == 542);
static_assert(sizeof(SharedHookBlock) == kSharedBlockSize);

// What follows the 544 bytes of the block in the same mapping: the bookkeeping of the key
// reports and the events the low-level hook withholds. A reader of the first 544 bytes sees the
// block as it always was.
inline constexpr int kContinuationCapacity = NL_CONTINUATION_MOST;
inline constexpr int kWithheldCapacity = 256;
inline constexpr int kLeaderCapacity = NL_LEADERS_MOST;

// What became of an event in the withheld queue. Only the hook's thread adds and removes entries;
// the program moves a pending one to deliver or dropped.
enum TWithheldState : uint8_t {
  kWithheldFree = 0,
  kWithheldPending,   // waits for the program's word
  kWithheldDeliver,   // to be sent on, in its turn
  kWithheldSent,      // sent on; its copy has not come back through the hook yet
  kWithheldDropped,   // belongs to a chord that fired: never delivered
  kWithheldOutput,    // an output of the program's takes its place, to be sent in its turn
};

// One withheld event. `word` holds the state in its low byte and the event's sequence number in
// the 16 bits above, so that one compare-and-swap checks both.
struct TWithheldEntry {
  volatile LONG word;
  uint8_t virtualKey;
  uint8_t scanCode;
  uint8_t extended;
  uint8_t release;
  // Once sent: the copies that have not come back yet (an output sends many).
  uint16_t copiesOut;
  uint16_t unused;
};

inline LONG WithheldWord(uint16_t sequence, TWithheldState state) {
  return static_cast<LONG>((static_cast<uint32_t>(sequence) << 8) | state);
}
inline TWithheldState WithheldStateOf(LONG word) { return static_cast<TWithheldState>(word & 0xFF); }

struct TSharedExtension {
  // What the host asked for (NL_WATCHDOG).
  volatile LONG options;
  // Key reports posted by the hooks and handled by the program, and when the program last showed
  // progress (or a backlog began): the hooks stop withholding keys for a program that does not
  // answer.
  volatile LONG reportsPosted;
  volatile LONG reportsHandled;
  volatile LONG progressTick;
  // Times keys were passed because reports went unanswered: the program forgets the chord of the
  // reports it reads before them.
  volatile LONG passedUnanswered;
  // While the mode swallows for a chord begun with nothing withheld yet, the keys that can go on
  // with it (scan code | 0x100 for an extended key): presses of other keys, and releases, pass.
  // The first press withheld ends the list, so that no later key overtakes it.
  volatile LONG continuationCount;
  uint16_t continuation[kContinuationCapacity];
  // The keys down as the low-level hook saw them (a bit per virtual-key code, left and right
  // codes apart): a withheld press never reaches the system's key state, so the program asks here.
  volatile LONG keysDown[8];
  // The low-level hook's message window, woken when the program decided withheld events.
  volatile LONG hookWindow;
  // The withheld queue: entries from `head` (inclusive) to `tail` (exclusive), by position modulo
  // the capacity; an entry's sequence number is its position's low 16 bits.
  volatile LONG head;
  volatile LONG tail;
  TWithheldEntry withheld[kWithheldCapacity];
  // The first keys of the key sequences (as `continuation`): their presses are withheld even
  // while the mode passes.
  volatile LONG leaderCount;
  uint16_t leaders[kLeaderCapacity];
};

struct TSharedMapping {
  SharedHookBlock block;
  TSharedExtension extension;
};

static_assert(offsetof(TSharedMapping, extension) == kSharedBlockSize);
inline constexpr DWORD kSharedMappingSize = sizeof(TSharedMapping);

inline uint32_t HandleField(const void* handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

// Windows handles are 32-bit values that a 64-bit process sign-extends.
template <typename Handle>
Handle HandleFromField(uint32_t field) {
  return reinterpret_cast<Handle>(static_cast<uintptr_t>(static_cast<int32_t>(field)));
}

// Stores text into a finder field: at most NL_FIND_FIELD_SIZE - 1 bytes, always terminated.
void StoreFinderText(char (&field)[NL_FIND_FIELD_SIZE], const char* text);

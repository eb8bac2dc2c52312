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

// What follows the 544 bytes of the block in the same mapping: the program's bookkeeping of the
// key reports and of the events it re-sends. A reader of the first 544 bytes sees the block as
// it always was.
inline constexpr int kResentCapacity = 64;
inline constexpr int kContinuationCapacity = 32;

struct TSharedExtension {
  // Key reports posted by the hooks and handled by the program, and when the program last showed
  // progress (or a backlog began): the hooks stop withholding keys for a program that does not
  // answer.
  volatile LONG reportsPosted;
  volatile LONG reportsHandled;
  volatile LONG progressTick;
  // Keys passed so far because reports went unanswered: the program drops what it withheld
  // before them instead of delivering it after them.
  volatile LONG passedUnanswered;
  // Reports of withheld events posted: while one waits unhandled, nothing may let a later key pass.
  volatile LONG withheldPosted;
  // While the mode swallows for a chord begun with nothing withheld yet, the keys that can go on
  // with it (scan code | 0x100 for an extended key): presses of other keys, and releases, pass.
  // The first press withheld ends the list, so that no later key overtakes it.
  volatile LONG continuationCount;
  uint16_t continuation[kContinuationCapacity];
  // The events the program re-sends in one batch, in order, each with the key state it was typed
  // in; a re-sent event that a hook recognises takes the first matching entry from `resentNext`.
  volatile LONG resentNext;
  volatile LONG resentCount;
  NL_RESENT_KEY resent[kResentCapacity];
};

struct TSharedMapping {
  SharedHookBlock block;
  TSharedExtension extension;
};

static_assert(offsetof(TSharedMapping, extension) == kSharedBlockSize);
inline constexpr DWORD kSharedMappingSize = sizeof(TSharedMapping);

// The identity of an event as an entry of the re-send batch records it.
inline uint8_t ResentFlagsOf(LPARAM flags) {
  return static_cast<uint8_t>(((flags & 0x01000000) ? NL_RESENT_EXTENDED : 0) |
                              ((flags & 0x80000000u) ? NL_RESENT_RELEASE : 0));
}

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

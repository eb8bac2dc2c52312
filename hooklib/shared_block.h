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
  // The key event the program is re-sending, which the keyboard hook lets through once: its
  // virtual-key code (0: none), scan code, and kResentExtended | kResentRelease.
  uint8_t resentKey;
  uint8_t resentScan;
  uint8_t resentFlags;
  uint32_t keyboardHook;
  uint32_t getMessageHook;
  uint32_t callWndProcHook;
  char findModulePath[NL_FIND_FIELD_SIZE];
  char findCommandLine[NL_FIND_FIELD_SIZE];
  uint8_t unused2[2];
};

static_assert(offsetof(SharedHookBlock, engineWindow) == 0);
static_assert(offsetof(SharedHookBlock, dispatchMode) == 4);
static_assert(offsetof(SharedHookBlock, resentKey) == 5);
static_assert(offsetof(SharedHookBlock, resentFlags) == 7);
static_assert(offsetof(SharedHookBlock, keyboardHook) == 8);
static_assert(offsetof(SharedHookBlock, getMessageHook) == 12);
static_assert(offsetof(SharedHookBlock, callWndProcHook) == 16);
static_assert(offsetof(SharedHookBlock, findModulePath) == 20);
static_assert(offsetof(SharedHookBlock, findCommandLine) == 281);
static_assert(offsetof(SharedHookBlock, unused2) == 542);
static_assert(sizeof(SharedHookBlock) == kSharedBlockSize);

inline constexpr uint8_t kResentExtended = 1;
inline constexpr uint8_t kResentRelease = 2;

// The re-sent-key fields describing an event: its scan code and its two flags.
inline uint8_t ResentScan(LPARAM flags) { return static_cast<uint8_t>((flags >> 16) & 0xFF); }
inline uint8_t ResentFlags(LPARAM flags) {
  return static_cast<uint8_t>(((flags & 0x01000000) ? kResentExtended : 0) |
                              ((flags & 0x80000000u) ? kResentRelease : 0));
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

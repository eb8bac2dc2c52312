// Key events as the keyboard hook reports them, for feeding key sequences to the dispatcher in tests.
#pragma once

#include <cstdint>
#include <string>

#include "data/chord.h"

struct TestKey {
  uint32_t scanCode;
  bool extended;
  uint32_t virtualKey;
};

struct TestKeyEvent {
  uint32_t virtualKey;
  uint32_t flags;
};

inline const TestKey kLeftCtrl{0x1D, false, 0x11};
inline const TestKey kRightCtrl{0x1D, true, 0x11};
inline const TestKey kLeftAlt{0x38, false, 0x12};
inline const TestKey kKeyA{0x1E, false, 'A'};
inline const TestKey kKeyB{0x30, false, 'B'};
inline const TestKey kKeyX{0x2D, false, 'X'};
inline const TestKey kKeyY{0x15, false, 'Y'};
inline const TestKey kKeyZ{0x2C, false, 'Z'};
inline const TestKey kLeftWin{0x5B, true, 0x5B};
inline const TestKey kRightWin{0x5C, true, 0x5C};

// Repeat count 1, scan code, extended flag; auto-repeats and releases had the key down before.
inline uint32_t KeyFlags(const TestKey& key) {
  return 1u | (key.scanCode << 16) | (key.extended ? 1u << 24 : 0u);
}
inline TestKeyEvent Press(const TestKey& key) { return {key.virtualKey, KeyFlags(key)}; }
inline TestKeyEvent Repeat(const TestKey& key) {
  return {key.virtualKey, KeyFlags(key) | 1u << 30};
}
inline TestKeyEvent Release(const TestKey& key) {
  return {key.virtualKey, KeyFlags(key) | 1u << 30 | 1u << 31};
}

inline std::string CodeOf(const TestKey& key) { return KeyCodeFromFlags(KeyFlags(key)); }

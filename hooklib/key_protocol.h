// What the hooks and the program agree on about key reports, in one place: the bits of a report,
// the capacities they share, the mark of the events the hook sends on, and the rule for keys
// beside a chord begun. No platform header, so that the engine's host build shares it.
#pragma once

// Reserved bits of the keystroke flags that the hooks set in their WM_HOOK_KEY report.
#define NL_KEY_WITHHELD 0x02000000    // the hook withheld the event from its window
#define NL_KEY_UNANSWERED 0x08000000  // passed although the mode said swallow: reports went
                                      // unhandled too long (the program does not answer)
// The high word of a report's wParam: for a withheld event of the low-level hook, the number by
// which the program delivers or drops it (nlDecideWithheld).
#define NL_REPORT_SEQUENCE(wParam) ((unsigned short)(((wParam) >> 16) & 0xFFFF))
// The extra info of the events the low-level hook sends on: it passes them unreported.
#define NL_DELIVERY_MARK 0x564B5250u
// The property of the window the hooks report to that counts the key reports the program has
// handled, so that a tool sending input can wait until the program has decided what it sent.
#define NL_KEYS_HANDLED_PROPERTY "VakroKeysHandled"
// The most keys a chord begun can go on with that the hooks keep (nlSetContinuation).
#define NL_CONTINUATION_MOST 32
// The most first keys of key sequences the hooks keep (nlSetLeaders).
#define NL_LEADERS_MOST 32

// One event of an output the low-level hook types for the program (nlSendOutput): a character
// (code: a UTF-16 unit, typed as that character whatever the layout) or a key (code: scan code |
// 0x100 when extended), pressed or released.
#define NL_OUTPUT_CHARACTER 0
#define NL_OUTPUT_KEY 1
typedef struct {
  unsigned short code;
  unsigned char kind;
  unsigned char release;
} NL_OUTPUT_EVENT;
// The most events one output may hold.
#define NL_OUTPUT_MOST 8192

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>

// Whether an event with these keystroke flags passes beside a chord begun that can go on with
// `continuation` (scan code | 0x100 for an extended key): a release, or the first press of a key
// the chord cannot go on with. A press of one of them, or an auto-repeat, is withheld.
inline bool PassesBeside(const uint16_t* continuation, size_t count, uint32_t flags) {
  if (count == 0) return false;
  if (flags & 0x80000000u) return true;
  if (flags & 0x40000000u) return false;
  const auto key = static_cast<uint16_t>((flags >> 16) & 0x1FF);
  for (size_t at = 0; at < count; ++at)
    if (continuation[at] == key) return false;
  return true;
}

// Whether an event with these keystroke flags is the first press of one of `leaders` (scan code
// | 0x100 for an extended key): withheld even while the mode passes, so that a key sequence's
// first key never reaches the focused program.
inline bool IsLeaderPress(const uint16_t* leaders, size_t count, uint32_t flags) {
  if (flags & 0xC0000000u) return false;
  const auto key = static_cast<uint16_t>((flags >> 16) & 0x1FF);
  for (size_t at = 0; at < count; ++at)
    if (leaders[at] == key) return true;
  return false;
}
#endif

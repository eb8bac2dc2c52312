// The programs an assignment is for: all of them, only some, or all but some. Programs are named
// by their executable's file name ("notepad.exe"); the stored form is item 7 of a line of
// "keydata.dat", a comma list whose first item is "only" or "except".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/comma_list.h"

enum class TScopeKind : uint8_t { kAll, kOnly, kExcept };

struct TProgramScope {
  TScopeKind kind = TScopeKind::kAll;
  TTextList programs;  // as the user typed them; empty for kAll
  // An item that could not be read (an unknown word, a name with a folder in it): the scope is
  // then all programs, and the item is written back as it was read.
  std::string unreadItem;

  bool IsAll() const { return kind == TScopeKind::kAll; }
  bool operator==(const TProgramScope&) const = default;
};

// The stored item; empty text for all programs (the line then has no item 7).
std::string EncodeProgramScope(const TProgramScope& scope);
// An empty item is all programs; a malformed one is all programs that keeps the item.
TProgramScope DecodeProgramScope(std::string_view item);

// A program file name: not empty, no folder or drive in it ("\", "/", ":").
bool IsProgramFileName(std::string_view name);

// The file name part of a path (after its last "\", "/" or ":").
std::string ProgramFileNameOf(std::string_view path);

// The names of a typed list: items between commas, trimmed of blanks. False when an item is
// empty or is not a program file name; `names` then holds what was read.
bool ParseTypedProgramList(std::string_view text, TTextList& names);
// The list as the user types it: names joined by ", ".
std::string TypedProgramList(const TTextList& names);

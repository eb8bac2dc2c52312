// The decisions of the programs page that need no window: recording a chord key by key, the
// check of an entry with its message, and the arguments part of a finder's command line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/chord.h"
#include "data/program_scope.h"

// Appends one pressed key to the recorded chord and its display text: nothing when the chord
// already holds the key (auto-repeat, a second press); otherwise the code joins the chord and
// the name joins the text, after a "+" from the second key on. True when it was appended.
bool AppendCapturedKey(TChord& chord, std::string& displayText, const std::string& keyCode,
                       const std::string& displayName);

// Appends one tapped key as the next step of a recorded key sequence, its name after ", " from
// the second step on; a key may come again. Nothing for an auto-repeat or a release (flags with
// the previous-state bit). True when it was appended.
bool AppendCapturedStep(TChord& steps, std::string& displayText, const std::string& keyCode,
                        const std::string& displayName, uint32_t keystrokeFlags);

// The text without leading and trailing bytes 0x00-0x20.
std::string TrimControlBytes(const std::string& text);

// The five texts of an entry, as they are checked and stored.
struct TKeyEntry {
  std::string programName, keyText, path, arguments, workPath;
};

// The entry from the boxes' texts: everything trimmed except the key text.
TKeyEntry ReadKeyEntry(const std::string& programName, const std::string& keyText,
                       const std::string& path, const std::string& arguments,
                       const std::string& workPath);

// Whether a file or folder, or a folder, of that name exists.
struct TPathProbe {
  std::function<bool(const std::string&)> fileOrFolderExists;
  std::function<bool(const std::string&)> folderExists;
};

// Equality of two key texts with the single-byte letters a-z taken as A-Z; double-byte
// characters are compared whole.
bool SameKeyText(const std::string& a, const std::string& b);

// The message of the entry's last failing check, or empty text when it is acceptable. A
// key-sending entry's arguments must be key codes of at least one chord.
// `rowKeyTexts` are the key texts of the list's rows in order; `selectedRow` is the selected
// row (-1 for none), which an update may share its key text with.
// A row holds the key text only where its scope shares a program with the entry's
// (`rowScopes` beside `rowKeyTexts`; none means all programs everywhere).
std::string KeyEntryMessage(const TKeyEntry& entry, const std::vector<std::string>& rowKeyTexts,
                            bool adding, int selectedRow, const TPathProbe& probe,
                            const std::vector<TProgramScope>& rowScopes = {},
                            const TProgramScope& entryScope = {});

// The scope of an entry from the scope list's index (all, only, all but) and the typed program
// list, into `scope`; the message of its last failing check, or empty text when it is
// acceptable. The list is not looked at for all programs.
std::string ReadProgramScope(int kindIndex, const std::string& listText, TProgramScope& scope);

// The scope as the list's column shows it: empty for all programs.
std::string ScopeShortText(const TProgramScope& scope);

// The typed list with `program` added at the end, unless it holds it already.
std::string WithProgramAdded(const std::string& listText, const std::string& program);

// The arguments of a command line: what follows the quoted program path, or the unquoted one
// up to its first space; empty when an opening quote never closes or there is no space.
// Trimmed of bytes 0x00-0x20.
std::string ArgumentsOfCommandLine(const std::string& commandLine);

// Whether two module paths name the same file, letters compared without regard to case.
bool SameModulePath(const std::string& a, const std::string& b);

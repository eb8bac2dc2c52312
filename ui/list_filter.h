// The find box of the programs and key-name pages without windows: which entries a typed text
// finds, and the label that counts them.
#pragma once

#include <string>
#include <vector>

class TKeyInfo;
class TKeyManager;
struct TKeyName;
class TKeyNameManager;

// The typed text made ready for TextFinds: lower-cased as the system lower-cases ANSI text.
std::string FindKey(const std::string& typed);
// Whether `text` holds `key` (from FindKey) without regard to case, starting on a whole
// character: a trail byte never begins a match.
bool TextFinds(const std::string& text, const std::string& key);

// The program name, keys, path, arguments or working folder holds the key.
bool AssignmentFinds(const TKeyInfo& info, const std::string& key);
// The key or the name holds the key.
bool KeyNameFinds(const TKeyName& entry, const std::string& key);

// Indices of the entries the typed text finds, in list order; all of them for an empty text.
std::vector<int> FoundAssignments(const TKeyManager& keys, const std::string& typed);
std::vector<int> FoundKeyNames(const TKeyNameManager& names, const std::string& typed);

// "N / M 件": the rows shown of all entries.
std::string FoundCountText(size_t shown, size_t total);

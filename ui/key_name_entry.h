// The key-name page's decisions without windows: checking an entry and rebuilding the key
// texts of the assignments that use a renamed key.
#pragma once

#include <string>
#include <vector>

class TKeyManager;
class TKeyNameManager;

// The text without leading and trailing bytes 0x00-0x20.
std::string TrimBlankBytes(const std::string& text);

// The message for an entry on the key-name page, empty when it is acceptable. Every check
// runs and the last failing one gives the message. `selectedRow` is the row being updated
// (ignored when adding); the same key in that row's own entry is no duplicate.
std::string KeyNameInputError(const TKeyNameManager& names, const std::string& key,
                              const std::string& name, bool adding, int selectedRow);

// The new key text of one assignment, by its index in the key manager.
struct TKeyTextChange {
  int index;
  std::string text;
};

// Key texts of every assignment whose chord holds `key`, named afresh with the aliases of
// `names`, in list order. Assignments without the key are not listed.
std::vector<TKeyTextChange> RebuiltKeyTexts(const TKeyManager& keys,
                                            const TKeyNameManager& names,
                                            const std::string& key);

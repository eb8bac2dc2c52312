// Assignments moved between machines: some of them written in the format of "keydata.dat", and
// such a file taken in at the end of the list, without the ones the list already has.
#pragma once

#include <string>
#include <vector>

class TKeyInfo;
class TKeyManager;

// The file's bytes for the assignments at `indices` of `keys`, in that order.
std::string ExportedAssignments(const TKeyManager& keys, const std::vector<int>& indices);

// Whether two assignments are for the same chord in the same programs: taking in the second
// beside the first would add nothing that could fire.
bool SameChordAndScope(const TKeyInfo& a, const TKeyInfo& b);

struct TTakeInResult {
  int added = 0;
  int skipped = 0;  // an assignment already had the same chord and scope
};

// Appends the assignments of `bytes` (read as "keydata.dat" is) to `keys` in their order, each
// unless one with the same chord and scope is already there, among those taken in before it
// included. A text without any assignment adds nothing.
TTakeInResult TakeInAssignments(TKeyManager& keys, const std::string& bytes);

// The message after taking in: how many were added and how many were skipped, and why.
std::string TakeInMessage(const TTakeInResult& result);

#include "data/key_transfer.h"

#include <algorithm>

#include "data/key_manager.h"

std::string ExportedAssignments(const TKeyManager& keys, const std::vector<int>& indices) {
  TKeyManager chosen;
  for (int index : indices)
    if (const TKeyInfo* info = keys.Get(index)) chosen.AddCopy(*info);
  return chosen.SaveToBytes();
}

bool SameChordAndScope(const TKeyInfo& a, const TKeyInfo& b) {
  return a.KeysText() == b.KeysText() && a.Scope() == b.Scope();
}

namespace {

bool HoldsSame(const TKeyManager& keys, const TKeyInfo& info) {
  for (int index = 0; index < keys.Count(); ++index)
    if (SameChordAndScope(*keys.Get(index), info)) return true;
  return false;
}

}  // namespace

TTakeInResult TakeInAssignments(TKeyManager& keys, const std::string& bytes) {
  TKeyManager taken;
  taken.LoadFromBytes(bytes);
  TTakeInResult result;
  for (int index = 0; index < taken.Count(); ++index) {
    const TKeyInfo& info = *taken.Get(index);
    if (HoldsSame(keys, info)) {
      ++result.skipped;
    } else {
      keys.AddCopy(info);
      ++result.added;
    }
  }
  return result;
}

std::string TakeInMessage(const TTakeInResult& result) {
  std::string text = std::to_string(result.added) + " 件の割り当てを取り込みました。";
  if (result.skipped > 0)
    text += "\r\n" + std::to_string(result.skipped) +
            " 件は同じキーと対象の割り当てが既にあるため取り込みませんでした。";
  return text;
}

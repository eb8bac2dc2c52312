// Loading any bytes as "keydata.dat" never crashes, and what was loaded saves and loads back
// to the same assignments (unless a text ends in a lone lead byte). Taking the same bytes in
// (another machine's file) adds each chord and scope once: nothing beside a list that already
// holds them all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/key_manager.h"
#include "data/key_transfer.h"
#include "fuzz/fuzz_support.h"

namespace {

bool HasLoneLeadByte(const TKeyInfo& info) {
  for (const std::string& key : info.Keys())
    if (EndsInLoneLeadByte(key)) return true;
  for (const std::string* text : {&info.Path(), &info.WorkPath(), &info.ProgramName(),
                                  &info.KeyText(), &info.Arguments()})
    if (EndsInLoneLeadByte(*text)) return true;
  for (const std::string& program : info.Scope().programs)
    if (EndsInLoneLeadByte(program)) return true;
  for (const std::string& option : info.Options())
    if (EndsInLoneLeadByte(option)) return true;
  return EndsInLoneLeadByte(info.Scope().unreadItem);
}

bool Same(const TKeyInfo& a, const TKeyInfo& b) {
  return a.Keys() == b.Keys() && a.KeysText() == b.KeysText() && a.Path() == b.Path() &&
         a.WorkPath() == b.WorkPath() && a.ProgramName() == b.ProgramName() &&
         a.KeyText() == b.KeyText() && a.Arguments() == b.Arguments() &&
         a.Repeat() == b.Repeat() && a.Scope() == b.Scope() && a.Options() == b.Options();
}

void CheckTakeIn(const TKeyManager& loaded, const std::string& bytes) {
  TKeyManager fresh;
  const TTakeInResult first = TakeInAssignments(fresh, bytes);
  if (first.added + first.skipped != loaded.Count() || fresh.Count() != first.added) std::abort();
  const TTakeInResult again = TakeInAssignments(fresh, bytes);
  if (again.added != 0 || again.skipped != loaded.Count()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TKeyManager keys;
  keys.LoadFromBytes(bytes);
  CheckTakeIn(keys, bytes);
  for (int i = 0; i < keys.Count(); ++i)
    if (HasLoneLeadByte(*keys.Get(i))) return 0;

  TKeyManager again;
  again.LoadFromBytes(keys.SaveToBytes());
  if (again.Count() != keys.Count()) std::abort();
  for (int i = 0; i < keys.Count(); ++i)
    if (!Same(*keys.Get(i), *again.Get(i))) std::abort();
  return 0;
}

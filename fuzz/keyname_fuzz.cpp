// Loading any bytes as "keyname.dat" never crashes, and what was loaded saves and loads back
// to the same entries (unless a text ends in a lone lead byte).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/key_name_manager.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKeyNameManager names;
  names.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size));
  for (int i = 0; i < names.Count(); ++i)
    if (EndsInLoneLeadByte(names.Get(i)->Key) || EndsInLoneLeadByte(names.Get(i)->Name)) return 0;

  TKeyNameManager again;
  again.LoadFromBytes(names.SaveToBytes());
  if (again.Count() != names.Count()) std::abort();
  for (int i = 0; i < names.Count(); ++i)
    if (again.Get(i)->Key != names.Get(i)->Key || again.Get(i)->Name != names.Get(i)->Name)
      std::abort();
  return 0;
}

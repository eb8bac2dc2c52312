// Display names for keys without a platform name (TKeyName, TKeyNameManager), "keyname.dat".
#pragma once

#include <memory>
#include <string>
#include <vector>

struct TKeyName {
  std::string Key;
  std::string Name;
};

class TKeyNameManager {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TKeyName* Get(int index) const;
  TKeyName* Add(const std::string& key, const std::string& name);
  void Remove(const TKeyName* entry);
  void Clear() { items_.clear(); }
  // The first entry whose Key equals `key` byte for byte, or null.
  TKeyName* Find(const std::string& key) const;

  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile(const std::string& fileName) const;
  void LoadFromBytes(const std::string& bytes);
  // The file again after another program changed it: false, and the table stays, when bytes
  // are there but no line of them is an entry.
  bool ReloadFromBytes(const std::string& bytes);
  std::string SaveToBytes() const;

 private:
  std::vector<std::unique_ptr<TKeyName>> items_;
};

// The registered plug-ins (TPluginManager) and "plugin.dat".
#pragma once

#include <string>

class TPluginManager {
 public:
  std::string dataFolder;

  int GetCount() const { return 0; }
  int IndexOfMacro(const std::string& macro) const;
  // Runs the registration whose macro is exactly `macro` on a worker thread; returns at once.
  void ExecuteMacro(const std::string& macro);

  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile(const std::string& fileName) const;
};

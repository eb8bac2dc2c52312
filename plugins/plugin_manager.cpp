#include "plugins/plugin_manager.h"

#include "data/platform.h"

int TPluginManager::IndexOfMacro(const std::string&) const { return -1; }

void TPluginManager::ExecuteMacro(const std::string& macro) {
  if (IndexOfMacro(macro) < 0) return;
}

bool TPluginManager::LoadFromFile(const std::string&) { return true; }

bool TPluginManager::SaveToFile(const std::string& fileName) const {
  return platform::ReplaceFileBytes(fileName, std::string());
}

// The plug-in page's entry check without windows: the fields as they are registered, and the
// message of the last failing check.
#pragma once

#include <functional>
#include <string>

struct TPluginInput {
  std::string path;
  std::string value;
  std::string macro;
};

// The fields trimmed of bytes 0x00-0x20; the macro lower-cased by the platform's ANSI mapping
// and given a leading "$" when it has none.
TPluginInput NormalisePluginInput(const std::string& path, const std::string& value,
                                  const std::string& macro);

// What the check asks of the file system and the registry.
struct TPluginChecks {
  std::function<bool(const std::string& path)> isFile;
  std::function<bool(const std::string& path)> isPlugin;
  std::function<int(const std::string& macro)> indexOfMacro;  // -1 when no registration has it
};

// The message for a normalised entry, empty when it is acceptable. Every check runs and the
// last failing one gives the message. `excludeIndex` is the registration being updated (its
// own macro is no duplicate), -1 when adding.
std::string PluginInputError(const TPluginInput& input, int excludeIndex,
                             const TPluginChecks& checks);

// The text rules of the shell helper, kept free of <windows.h> so they run on the host too: the
// file-type lookup over a registry reader, icon values, environment references, and the program
// part of command lines. All text is ANSI (Shift-JIS) bytes.
#pragma once

#include <functional>
#include <string>

// Looks up one environment variable; false when it is not known.
using TEnvironmentLookup = std::function<bool(const std::string& name, std::string& value)>;

// Opens the key `keyName` below the file-type root and reads its unnamed value as text (empty
// when absent); false when the key cannot be opened.
using TRegistryDefaultReader =
    std::function<bool(const std::string& keyName, std::string& defaultValue)>;

struct TFileTypeInfo {
  int iconIndex = -1;
  std::string typeName;
  std::string iconFile;
  bool genericIcon = false;
};

// Description and icon of a file type ("txt", ".txt" or "<dir>"), as the registry under the
// file-type root records them. A missing key ends the lookup with what was found so far.
TFileTypeInfo LookUpFileType(const std::string& extension, const TRegistryDefaultReader& readKey,
                            const TEnvironmentLookup& lookUpVariable);

// "%NAME%" references replaced by their values, left to right; an unknown name loses its
// reference, and a "%" without a closing one is dropped with the text after it kept.
std::string ExpandEnvironmentReferences(const std::string& text,
                                        const TEnvironmentLookup& lookUpVariable);

// A DefaultIcon value split at its first comma. Without a comma, `file` is empty and `rest`
// is the whole value.
struct TIconValueParts {
  bool hasComma = false;
  std::string file;
  std::string rest;
};
TIconValueParts SplitIconValue(const std::string& value);

// A 32-bit integer: leading blanks, an optional sign, then decimal digits or hexadecimal after
// "$" or "0x"; nothing after. False for anything else, `index` then untouched.
bool ParseIconIndex(const std::string& text, int& index);

// Without one double quote at the start and one at the end, where present.
std::string WithoutEnclosingQuotes(const std::string& text);

// The program of a browser command line: up to and including the first ".exe" (found without
// regard to letter case), one leading double quote removed. Empty when there is no ".exe".
std::string BrowserProgramOf(const std::string& commandLine);

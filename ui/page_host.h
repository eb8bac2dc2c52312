// What a page of the settings window may ask of the window around it: the data it edits, the
// owner of its dialogs, the command map its controls register in, and the few things a page
// asks of the rest of the program.
#pragma once

#include <windows.h>

#include "data/dpi_scale.h"

struct TGuideStyle;
class TCommandMap;
class TKeyManager;
class TKeyNameManager;
class TPluginManager;

// The pages in tab order.
enum TPageIndex { kKeyPage = 0, kKeyNamePage = 1, kPluginPage = 2, kSettingPage = 3 };

class TPageHost {
 public:
  // The settings window: owner of the pages' dialogs and message boxes.
  virtual HWND OwnerWindow() const = 0;
  virtual TCommandMap& Commands() = 0;
  // The scale the pages lay their 96-DPI places out at.
  virtual const TScale& LayoutScale() const = 0;
  virtual TKeyManager& KeyManager() = 0;
  virtual TKeyNameManager& KeyNameManager() = 0;
  virtual TPluginManager& PluginManager() = 0;

  virtual void ShowPage(TPageIndex page) = 0;
  // Forgets a half-typed chord (its candidates may be about to go).
  virtual void ResetChord() = 0;
  // A chord box got or lost the focus: while one has it, the keyboard is withheld.
  virtual void BeginCapture() = 0;
  virtual void EndCapture() = 0;
  // The key guide's look was changed on the settings page.
  virtual void SetGuideStyle(const TGuideStyle& style) = 0;
  // The key text of assignment `index` changed (a key was renamed).
  virtual void KeyTextChanged(int index) = 0;

 protected:
  ~TPageHost() = default;
};

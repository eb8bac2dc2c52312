// The key guide: the pop-up that lists the keys still to press. It lays out and draws the rows it
// is given, in one style taken from the settings, and decides nothing about keys: the window it
// lives in says when it is wanted, rebuilt or hidden.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "data/setting.h"
#include "engine/guide_layout.h"

// How the guide looks and where it goes: its font (at the system's DPI), its colours and its
// place on the monitor (0 centre, 1 upper-left, 2 lower-left, 3 upper-right, 4 lower-right).
struct TGuideStyle {
  LOGFONTA font;
  TGuidePalette palette;
  int position = 0;
};

TGuideStyle GuideStyleOf(const TSetting& setting);

class TKeyGuide {
 public:
  // The guide draws in `window`, a borderless pop-up, and uses timers 2 to 4 of it.
  explicit TKeyGuide(HWND window);
  ~TKeyGuide();
  TKeyGuide(const TKeyGuide&) = delete;
  TKeyGuide& operator=(const TKeyGuide&) = delete;

  // The rows to show now, at most the number given (the rows that fit the monitor).
  std::function<std::vector<TGuideRowText>(size_t mostRows)> Rows;
  // How long a chord stays unfinished before a hidden guide shows, in milliseconds.
  std::function<int()> ShowDelayMs;

  void SetStyle(const TGuideStyle& style);
  const TGuideStyle& Style() const;

  // What the key decisions want; the window follows once no key report waits (see Update).
  void Change(bool rebuild, bool show, bool hide);
  // Whether the decisions so far want the guide on screen (shown or about to show).
  bool Wanted() const;
  void HideNow();

  // The window's messages the guide answers: true when handled, with `result` set.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

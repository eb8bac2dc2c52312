#include "engine/key_view_document.h"

#include <algorithm>

#include "toolkit/controls.h"

void TKeyViewDocument::Clear() {
  keyLabels_.clear();
  programLabels_.clear();
  maxKeyWidth_ = maxProgramWidth_ = 0;
  brushes_.clear();
}

TKeyViewDocument::Label TKeyViewDocument::CreateLabel(const std::string& text, HFONT font) {
  Label label;
  const SIZE size = TextLineSize(owner_, font, text);
  label.size = {static_cast<int>(size.cx), static_cast<int>(size.cy)};
  label.window.Reset(CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                     0, 0, label.size.width, label.size.height, owner_, nullptr,
                                     GetModuleHandleA(nullptr), nullptr));
  SendMessageA(label.window.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return label;
}

void TKeyViewDocument::AddRow(const std::string& keysText, const std::string& programName,
                              HFONT font) {
  keyLabels_.push_back(CreateLabel(keysText, font));
  maxKeyWidth_ = std::max(maxKeyWidth_, keyLabels_.back().size.width);
  programLabels_.push_back(CreateLabel(programName, font));
  maxProgramWidth_ = std::max(maxProgramWidth_, programLabels_.back().size.width);
}

bool TKeyViewDocument::GetRow(int index, HWND& keyLabel, HWND& programLabel) const {
  if (index < 0 || index >= RowCount()) return false;
  keyLabel = keyLabels_[static_cast<size_t>(index)].window.Get();
  programLabel = programLabels_[static_cast<size_t>(index)].window.Get();
  return true;
}

std::vector<TGuideRowSizes> TKeyViewDocument::RowSizes() const {
  std::vector<TGuideRowSizes> sizes;
  for (size_t i = 0; i < keyLabels_.size(); ++i)
    sizes.push_back({keyLabels_[i].size, programLabels_[i].size});
  return sizes;
}

void TKeyViewDocument::Apply(const TGuideLayout& layout) {
  size_t count = std::min(layout.rows.size(), keyLabels_.size());
  for (size_t i = 0; i < count; ++i) {
    const TGuideRowPlacement& row = layout.rows[i];
    Label& key = keyLabels_[i];
    Label& program = programLabels_[i];
    key.text = row.keyTextColor;
    program.text = row.programTextColor;
    key.back = program.back = row.backColor;
    MoveWindow(key.window.Get(), row.keyLabel.left, row.keyLabel.top, row.keyLabel.width,
               row.keyLabel.height, FALSE);
    MoveWindow(program.window.Get(), row.programLabel.left, row.programLabel.top,
               row.programLabel.width, row.programLabel.height, FALSE);
  }
}

HBRUSH TKeyViewDocument::BrushFor(TColor color) {
  for (const auto& entry : brushes_)
    if (entry.first == color) return entry.second.Get();
  brushes_.emplace_back(color, TBrush(CreateSolidBrush(color)));
  return brushes_.back().second.Get();
}

HBRUSH TKeyViewDocument::LabelColors(HWND window, HDC dc) {
  for (const auto* labels : {&keyLabels_, &programLabels_}) {
    for (const Label& label : *labels) {
      if (label.window.Get() != window) continue;
      SetTextColor(dc, label.text);
      SetBkColor(dc, label.back);
      return BrushFor(label.back);
    }
  }
  return nullptr;
}

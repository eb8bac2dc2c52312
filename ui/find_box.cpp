#include "ui/find_box.h"

#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "ui/list_filter.h"

namespace {

const int kCountLeft = 166;
const int kCountWidth = 80;

}  // namespace

TFindBox::TFindBox(HWND parent, const TScale& s, HFONT font, WORD editId, WORD countId,
                   TCommandMap& commands, std::function<void()> changed) {
  CreateLabel(parent, "検索(&F)", s.Place({8, 6, 40, 14}), font);
  edit_ = CreateEdit(parent, s.Place({52, 2, 108, 20}), font, editId, 128);
  commands.OnCommand(edit_, EN_CHANGE, std::move(changed));
  count_ = CreateLabel(parent, "", s.Place({kCountLeft, 6, kCountWidth, 14}), font, countId);
  // A label sizes itself to its caption, which is empty until a text filters.
  MoveHorizontally(count_, s.Px(kCountLeft), s.Px(kCountWidth));
  SetWindowLongPtrA(count_, GWL_STYLE, GetWindowLongPtrA(count_, GWL_STYLE) | SS_NOPREFIX);
}

std::string TFindBox::Text() const { return GetControlText(edit_); }

void TFindBox::Clear() { SetControlText(edit_, ""); }

void TFindBox::ShowCount(size_t shown, size_t total) {
  SetControlText(count_, Filtering() ? FoundCountText(shown, total) : std::string());
}

#include "hooklib/output_inputs.h"

namespace {

// An unassigned virtual-key code, pressed between Alt or Windows going down and up, so that the
// system never takes the pair for a lone tap (which opens the menu bar or the Start menu).
constexpr WORD kMaskKey = 0xE8;

struct TModifier {
  WORD virtualKey;
  bool extended;
  bool tapOpensMenu;
};

constexpr TModifier kModifiers[] = {
    {VK_LSHIFT, false, false}, {VK_RSHIFT, false, false}, {VK_LCONTROL, false, false},
    {VK_RCONTROL, true, false}, {VK_LMENU, false, true},  {VK_RMENU, true, true},
    {VK_LWIN, true, true},      {VK_RWIN, true, true},
};

bool BitSet(const volatile LONG (&bits)[8], WORD key) {
  return (bits[key / 32] & static_cast<LONG>(1u << (key % 32))) != 0;
}

INPUT KeyInput(WORD virtualKey, WORD scanCode, bool extended, bool release, ULONG_PTR mark) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = scanCode;
  input.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (release ? KEYEVENTF_KEYUP : 0);
  input.ki.dwExtraInfo = mark;
  return input;
}

INPUT ModifierInput(const TModifier& modifier, bool release, ULONG_PTR mark) {
  const auto scanCode = static_cast<WORD>(MapVirtualKeyA(modifier.virtualKey, MAPVK_VK_TO_VSC));
  return KeyInput(modifier.virtualKey, scanCode, modifier.extended, release, mark);
}

void AddMaskTap(std::vector<INPUT>& inputs, ULONG_PTR mark) {
  inputs.push_back(KeyInput(kMaskKey, 0, false, false, mark));
  inputs.push_back(KeyInput(kMaskKey, 0, false, true, mark));
}

// A key by its scan code: the virtual-key code the layout gives it (0xE0 marks an extended scan
// code); where the layout has none, the system maps the scan code itself.
INPUT OutputKeyInput(const NL_OUTPUT_EVENT& event, ULONG_PTR mark) {
  const auto scanCode = static_cast<WORD>(event.code & 0xFF);
  const bool extended = (event.code & 0x100) != 0;
  const UINT virtualKey = MapVirtualKeyA(extended ? 0xE000u | scanCode : scanCode, MAPVK_VSC_TO_VK_EX);
  INPUT input = KeyInput(static_cast<WORD>(virtualKey), scanCode, extended, event.release != 0, mark);
  if (virtualKey == 0) input.ki.dwFlags |= KEYEVENTF_SCANCODE;
  return input;
}

INPUT CharacterInput(const NL_OUTPUT_EVENT& event, ULONG_PTR mark) {
  INPUT input = KeyInput(0, event.code, false, event.release != 0, mark);
  input.ki.dwFlags = KEYEVENTF_UNICODE | (event.release ? KEYEVENTF_KEYUP : 0);
  return input;
}

}  // namespace

std::vector<INPUT> OutputInputs(const std::vector<NL_OUTPUT_EVENT>& output, const volatile LONG (&systemDown)[8],
                                const volatile LONG (&userDown)[8], ULONG_PTR mark) {
  std::vector<INPUT> inputs;
  inputs.reserve(output.size() + 20);
  std::vector<const TModifier*> released;
  for (const TModifier& modifier : kModifiers)
    if (BitSet(systemDown, modifier.virtualKey)) released.push_back(&modifier);
  bool masked = false;
  for (const TModifier* modifier : released) {
    if (modifier->tapOpensMenu && !masked) {
      AddMaskTap(inputs, mark);
      masked = true;
    }
    inputs.push_back(ModifierInput(*modifier, true, mark));
  }
  for (const NL_OUTPUT_EVENT& event : output)
    inputs.push_back(event.kind == NL_OUTPUT_KEY ? OutputKeyInput(event, mark) : CharacterInput(event, mark));
  bool pressedMenuKey = false;
  for (const TModifier* modifier : released) {
    if (!BitSet(userDown, modifier->virtualKey)) continue;
    inputs.push_back(ModifierInput(*modifier, false, mark));
    pressedMenuKey = pressedMenuKey || modifier->tapOpensMenu;
  }
  if (pressedMenuKey) AddMaskTap(inputs, mark);
  return inputs;
}

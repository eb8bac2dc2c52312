// The input events that type an output of the program's exactly as it was meant: the modifier keys
// the system holds are let go first and pressed again afterwards if the user still holds them, so
// that neither the text nor the keys combine with them.
#pragma once

#include <windows.h>

#include <vector>

#include "hooklib/key_protocol.h"

// `systemDown`: the keys as the system holds them (what the hook let through); `userDown`: the
// keys the user holds. Both a bit per virtual-key code, left and right codes apart. Every event
// carries `mark` as its extra info.
std::vector<INPUT> OutputInputs(const std::vector<NL_OUTPUT_EVENT>& output, const volatile LONG (&systemDown)[8],
                                const volatile LONG (&userDown)[8], ULONG_PTR mark);

// An icon drawn greyed and lightened from another, for a state that is switched off.
#pragma once

#include <windows.h>

#include "toolkit/handles.h"

// The icon's colours turned to light greys over the same mask; none when it cannot be made.
TIcon MakeGreyedIcon(HICON icon);

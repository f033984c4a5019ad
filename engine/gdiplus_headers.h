#pragma once

// The Windows and GDI+ headers in the one order that builds everywhere. The Windows SDK's GDI+
// headers use unqualified min and max, which NOMINMAX removes, so they get the standard ones.

#include <windows.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>

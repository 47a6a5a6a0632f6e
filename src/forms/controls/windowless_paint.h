// Painting of a form's windowless labels and frames, through one canvas per paint.
#pragma once

#include <windows.h>

namespace qln {

// Paints the form's background and its windowless controls (the last created first).
void PaintForm(HWND form);

}  // namespace qln

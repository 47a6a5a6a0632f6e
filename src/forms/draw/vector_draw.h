// Vector icons on a canvas: the command language of vector_language.h painted with GDI+.
#pragma once

#include <string_view>

#include "forms/draw/canvas.h"

namespace qln {

// A vector icon (forms/draw/vector_language.h) drawn into the cell (x, y, w, h), clipped to it;
// `paletteOverride` is a comma-separated list of ARGB hex colours for palette entries 1, 2, ….
// Nothing is drawn for w or h below 1 or an empty string; a string longer than 1000 characters
// is refused with "异常长度" on standard output. The caller's pen, brush and path font are
// put back afterwards.
void DrawVector(Canvas& canvas, float x, float y, float w, float h, std::wstring_view commands,
                std::wstring_view paletteOverride);

}  // namespace qln

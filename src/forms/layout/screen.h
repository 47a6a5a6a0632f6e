// Process-wide screen scaling, read once from the screen device context: the factors by which
// logical pixels (96 per inch) become device pixels, and fonts built from font spec strings.
#pragma once

#include <windows.h>

#include <string_view>

namespace qln {

float ScreenFactorX();  // LOGPIXELSX / 96
float ScreenFactorY();  // LOGPIXELSY / 96
int ScreenLogPixelsX();
int ScreenLogPixelsY();

float ScaleXReal(float x);
float ScaleYReal(float y);
float UnscaleXReal(float x);
float UnscaleYReal(float y);
int ScaleXInt(int n);    // floor(n × factor)
int UnscaleXInt(int n);  // floor(n / factor)

// Fonts from font spec strings, one per distinct string (exact, case-sensitive), kept for the
// life of the process: callers borrow them and must never delete them.
HFONT CreateFontFromSpec(std::wstring_view spec);

// A font of `points` at `dpi` (-1 = the screen's horizontal resolution). The caller owns it.
HFONT CreateFontPoints(const wchar_t* face, int points, int dpi, int weight, bool italic, bool underline,
                       bool strikeout);

}  // namespace qln

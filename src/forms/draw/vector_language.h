// The vector-icon language: a short command string that draws a small scalable picture into a
// cell. This file turns a string into drawing operations in cell units (thousandths of the
// cell's width and height, angles in degrees); DrawVector (canvas.h) runs them on a canvas.
// No Windows here, so the whole language is tested and fuzzed natively.
//
//   string   := ["{" header "}"] ["(" hex "," hex ... ")"] command ("+" command)*
//   command  := opcode parameter-characters
//
// Parameter characters: "0".."@" is one value 0–16; a letter "A".."x" and the character after
// it is (first − 65) × 55 + (second − 65) − 1000, the second counting as 0 when it is not such a
// letter; "." and a digit d skips d parameters; "&" gives the current parameter the 1-based
// position of the text that follows, as long as the previous parameter says, and reading goes
// on one character after the text; anything else is ignored.
//
// A command whose second character is "*" first borrows characters of the previous command, and
// one holding "%" ends in a shifted copy of the previous command's last points (see
// ExpandVectorCommand). Whatever a string holds, every read stays inside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qln {

inline constexpr std::size_t kVectorMaxLength = 1000;  // longer strings are refused
inline constexpr const wchar_t* kVectorRefusedText = L"异常长度";

// ARGB colours; entry 0 is "nothing" until a palette list or override changes it.
using VectorColorTable = std::array<std::uint32_t, 17>;
VectorColorTable DefaultVectorColors();

// Comma-separated hexadecimal tokens replace entries 1, 2, … (at most 16); a blank token keeps
// its entry. A token is read up to its first character that is not a hexadecimal digit.
void ApplyVectorColorList(VectorColorTable& colors, std::wstring_view list);

struct VectorArrow {
    float height = 0, width = 0;  // in pen widths, as a GDI+ adjustable arrow cap takes them
    bool operator==(const VectorArrow&) const = default;
    bool Present() const { return height > 0 && width > 0; }
};

// What one command wants its outline pen to be. An arrow, when present, takes the place of
// the plain cap on its side.
struct VectorPen {
    std::uint32_t argb = 0;  // 0: no pen
    float width = 0;         // thousandths of the cell width
    int startCap = 0, endCap = 0;  // GDI+ line caps: 0–3 and 0x10–0x14
    VectorArrow startArrow, endArrow;
    bool arrowsFilled = false;
    int dashStyle = 0;  // GDI+ dash style 0–4
    int lineJoin = 0;   // GDI+ line join 0–2
    bool operator==(const VectorPen&) const = default;
};

struct VectorPoint {
    float x = 0, y = 0;
    bool operator==(const VectorPoint&) const = default;
};

struct VectorBox {
    float x = 0, y = 0, w = 0, h = 0;
    bool operator==(const VectorBox&) const = default;
};

// Connected lines, outline only (opcode "a" open, and its single line).
struct VectorLines {
    std::vector<VectorPoint> points;
};
// A filled and outlined polygon ("a" closed, "e").
struct VectorPolygon {
    std::vector<VectorPoint> points;
    int fillMode = 0;
};
struct VectorRect {
    VectorBox box;
};
struct VectorRoundRect {
    VectorBox box;
    float rx = 0, ry = 0;  // the corner ellipse, thousandths of the cell
    int corners = 0;       // RoundRect corner bits
};
struct VectorEllipse {
    VectorBox box;
};
struct VectorPie {
    VectorBox box;
    float startAngle = 0, sweep = 0;
    bool pie = false;  // outline the whole pie, not only its arc
};
// Bézier segments: 1 + 3k points.
struct VectorBeziers {
    std::vector<VectorPoint> points;
    int fillMode = 0;
    bool closed = false;
};
// A cardinal spline: filled as a closed curve when there is a brush, outlined closed or open.
struct VectorCurve {
    std::vector<VectorPoint> points;
    float tension = 0;
    int fillMode = 0;
    bool closed = false;
};
struct VectorSegment {
    enum Kind { Line, Curve, Bezier, Rect, Ellipse } kind = Line;
    // Line: the end; Curve: two points the curve passes; Bezier: two controls and the end;
    // Rect and Ellipse: the ordered box as (x, y), (x + w, y + h).
    std::array<VectorPoint, 3> points{};
    bool operator==(const VectorSegment&) const = default;
};
// A path from `start`; each segment but Rect and Ellipse continues from the previous end.
struct VectorPath {
    VectorPoint start;
    std::vector<VectorSegment> segments;
    int fillMode = 0;
    bool closed = false;
};
// Path text laid out from `origin` in a box of 3 × 3 cells.
struct VectorText {
    std::wstring font;  // empty: the canvas's default face
    std::wstring text;
    float size = 0;  // points, in thousandths of the cell width
    bool bold = false, italic = false, underline = false, strikeout = false;
    VectorPoint origin;
};

using VectorShape = std::variant<VectorLines, VectorPolygon, VectorRect, VectorRoundRect, VectorEllipse, VectorPie,
                                 VectorBeziers, VectorCurve, VectorPath, VectorText>;

// One drawing operation: its shape filled with `brush` (ARGB, 0 = no fill), then outlined
// with `pen`.
struct VectorOp {
    VectorShape shape;
    std::uint32_t brush = 0;
    VectorPen pen;
};

struct VectorDrawing {
    bool refused = false;  // longer than kVectorMaxLength: nothing is drawn
    std::vector<VectorOp> ops;
};

// The whole string. A refused string also writes kVectorRefusedText and a line end to the C
// library's standard output.
VectorDrawing ExpandVector(std::wstring_view commands, std::wstring_view paletteOverride);

// The steps of ExpandVector, for tests.

// A command after repetition and shifted copy, given the previous command as expanded.
//  - Repetition: "x*c…" becomes "x", then (code of c − 47) characters of `previous` from its
//    second on (as many as it has), then the command from its fourth character on.
//  - Shifted copy (not for opcode "i"): from the first "%" after the opcode on, "%ndxdy…" is
//    replaced by the last n points of `previous` (two two-letter numbers each, the opcode not
//    counted), shifted by dx and dy and written back in two letters each. n is one digit (none:
//    0); dx and dy are one character "0".."@" or two letters. Shifted values are kept within
//    −1000…2079, the range that two letters "A".."x" can hold.
std::wstring ExpandVectorCommand(std::wstring_view command, std::wstring_view previous);

struct VectorParams {
    wchar_t opcode = 0;
    std::vector<int> values;  // values[i] is parameter i; values[0] is not used
    int count = 0;            // the index of the last parameter given

    int operator[](int i) const {
        return i > 0 && static_cast<std::size_t>(i) < values.size() ? values[static_cast<std::size_t>(i)] : 0;
    }
};
VectorParams ParseVectorParams(std::wstring_view command);

// The operations of one expanded command (none for unknown opcodes or too few parameters).
void AppendVectorOps(std::wstring_view command, const VectorParams& params, const VectorColorTable& colors,
                     std::vector<VectorOp>& ops);

// Point counts of "a", "f" and "g": round(v × 0.5 − 1) + 1 with halves to even.
int VectorPointCount(int spareParams);

}  // namespace qln

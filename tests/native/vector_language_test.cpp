// The vector-icon language without Windows: parameter decoding, expansion of repeated and
// shifted commands, palettes, the length limit, and the operations each opcode produces.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "../vector_params.h"
#include "forms/draw/vector_language.h"

namespace qln {
namespace {

using test::L2;
using test::Params;

std::vector<VectorOp> Ops(std::wstring_view commands, std::wstring_view palette = L"") {
    const VectorDrawing d = ExpandVector(commands, palette);
    EXPECT_FALSE(d.refused);
    return d.ops;
}

template <typename Shape>
Shape Only(const std::vector<VectorOp>& ops) {
    EXPECT_EQ(ops.size(), 1u);
    if (ops.size() != 1 || !std::holds_alternative<Shape>(ops[0].shape)) {
        ADD_FAILURE() << "not the expected shape";
        return {};
    }
    return std::get<Shape>(ops[0].shape);
}

TEST(VectorParamsTest, CharactersDecodeToValues) {
    VectorParams p = ParseVectorParams(L"x5@AASx");
    EXPECT_EQ(p.opcode, L'x');
    EXPECT_EQ(p.count, 4);
    EXPECT_EQ(p[1], 5);
    EXPECT_EQ(p[2], 16);     // "@", code 64
    EXPECT_EQ(p[3], -1000);  // "AA"
    EXPECT_EQ(p[4], 45);     // "Sx": 18 × 55 + 55 − 1000
    EXPECT_EQ(p[5], 0);      // past the count
    EXPECT_EQ(p[-1], 0);

    EXPECT_EQ(ParseVectorParams(L"xxx").values.at(1), 2080);  // the largest two-letter value

    // A letter's second character counts as 0 when it is no letter, and is used up anyway.
    p = ParseVectorParams(L"xB5C");
    EXPECT_EQ(p.count, 2);
    EXPECT_EQ(p[1], 55 - 1000);
    EXPECT_EQ(p[2], 110 - 1000);  // "C" at the end: its missing partner counts as 0
}

TEST(VectorParamsTest, SkipsAndIgnoredCharacters) {
    // ".3" leaves three parameters at 0; "." before a non-digit, spaces and "y", "z" are ignored.
    VectorParams p = ParseVectorParams(L"b1.32 .y z9");
    EXPECT_EQ(p.count, 6);
    EXPECT_EQ(p[1], 1);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(p[4], 0);
    EXPECT_EQ(p[5], 2);
    EXPECT_EQ(p[6], 9);
    // Skipped parameters at the end are not given: the count stays at the last value.
    EXPECT_EQ(ParseVectorParams(L"b12.9").count, 2);
    EXPECT_EQ(ParseVectorParams(L"").opcode, 0);
    EXPECT_EQ(ParseVectorParams(L"b").count, 0);
}

TEST(VectorParamsTest, InlineTextKeepsTheParameterIndexAndStaysInside) {
    // p1 = 5 is the text's length; "&" puts the text's position (1-based) into p2; the text
    // "Hello" and the one character after it are passed over.
    VectorParams p = ParseVectorParams(L"i5&Hello;");
    EXPECT_EQ(p[1], 5);
    EXPECT_EQ(p[2], 4);
    EXPECT_EQ(p.count, 2);
    // The index did not move on: a value after the text lands in p2 as well.
    p = ParseVectorParams(L"i5&Hello;7");
    EXPECT_EQ(p[2], 7);
    EXPECT_EQ(p[3], 0);

    // Digits inside the text are not parameters.
    p = ParseVectorParams(L"i3&123x9");
    EXPECT_EQ(p[2], 9);
    EXPECT_EQ(p.count, 2);
    EXPECT_EQ(p[3], 0);

    // A text longer than what is left, a negative length, "&" first and "&" last end cleanly.
    p = ParseVectorParams(L"i" + L2(500) + L"&ab");
    EXPECT_EQ(p[2], 5);
    EXPECT_EQ(p.count, 2);
    p = ParseVectorParams(L"iAA&1");
    EXPECT_EQ(p[1], -1000);
    EXPECT_EQ(p[2], 5);
    EXPECT_EQ(p.count, 2);  // the character after "&" is skipped as the text's end mark
    p = ParseVectorParams(L"i&12");
    EXPECT_EQ(p[1], 2);  // no previous parameter: an empty text, then "1" is skipped, "2" read
    EXPECT_EQ(ParseVectorParams(L"i9&").count, 2);
}

TEST(VectorExpandTest, RepetitionBorrowsFromThePreviousCommand) {
    EXPECT_EQ(ExpandVectorCommand(L"c*3", L"c12345678"), L"c1234");
    EXPECT_EQ(ExpandVectorCommand(L"c*3AB", L"b12345678"), L"c1234AB");
    EXPECT_EQ(ExpandVectorCommand(L"a*0", L"b12"), L"a1");
    EXPECT_EQ(ExpandVectorCommand(L"a*9", L"b123456789ABCDEF"), L"a123456789A");
    // Never more than the previous command holds, nothing from no previous command, and a
    // count character below "0" borrows nothing.
    EXPECT_EQ(ExpandVectorCommand(L"a*9Z", L"b12"), L"a12Z");
    EXPECT_EQ(ExpandVectorCommand(L"a*9Z", L""), L"aZ");
    EXPECT_EQ(ExpandVectorCommand(L"a*9Z", L"b"), L"aZ");
    EXPECT_EQ(ExpandVectorCommand(L"a*", L"b123"), L"a");
    EXPECT_EQ(ExpandVectorCommand(L"a*/", L"b123"), L"a");
    EXPECT_EQ(ExpandVectorCommand(L"a*\uFFFF", L"b123"), L"a123");
    // Only the second character makes a repetition.
    EXPECT_EQ(ExpandVectorCommand(L"a1*3", L"b123"), L"a1*3");

    // Through the whole string: "c*3" reuses the previous command's first four parameters.
    const std::wstring ellipse = L"c" + Params({1, 2, 3, 4, 200, 300, 400});
    const std::vector<VectorOp> ops = Ops(ellipse + L"+c*3" + Params({500, 600, 700}));
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(std::get<VectorEllipse>(ops[0].shape).box, (VectorBox{4, 200, 300, 400}));
    EXPECT_EQ(std::get<VectorEllipse>(ops[1].shape).box, (VectorBox{4, 500, 600, 700}));
    EXPECT_EQ(ops[1].brush, ops[0].brush);
    EXPECT_EQ(ops[1].pen, ops[0].pen);
}

TEST(VectorExpandTest, ShiftedCopyMovesThePreviousPoints) {
    // Two points (100, 200) and (300, 400) at the end of the previous command, shifted by
    // dx = 5 (one character) and dy = −50 (two letters).
    const std::wstring previous = L"a" + Params({1, 0, 1}) + L2(100) + L2(200) + L2(300) + L2(400);
    EXPECT_EQ(ExpandVectorCommand(L"a1%25" + L2(-50), previous), L"a1" + L2(105) + L2(150) + L2(305) + L2(350));
    // Only the last n points; whatever follows the shift part is replaced too.
    EXPECT_EQ(ExpandVectorCommand(L"a%100xyz", previous), L"a" + L2(300) + L2(400));
    // More points than the previous command has (its opcode is no point data); none at all.
    EXPECT_EQ(ExpandVectorCommand(L"a%900", L"aB"), L"a");
    EXPECT_EQ(ExpandVectorCommand(L"a%900", previous), L"a" + previous.substr(previous.size() - 8));
    EXPECT_EQ(ExpandVectorCommand(L"a%200", L""), L"a");
    // Without a digit the "%" part goes away; a missing dx or dy is 0.
    EXPECT_EQ(ExpandVectorCommand(L"a12%", previous), L"a12");
    EXPECT_EQ(ExpandVectorCommand(L"a12%x11", previous), L"a12");
    EXPECT_EQ(ExpandVectorCommand(L"a%1", previous), L"a" + L2(300) + L2(400));
    // Shifted values stay within what two letters "A".."x" can hold.
    EXPECT_EQ(ExpandVectorCommand(L"a%1" + L2(-1000) + L2(2000), previous), L"a" + L2(-700) + L2(2079));
    EXPECT_EQ(ExpandVectorCommand(L"a%1" + L2(-1000) + L"0", L"a" + L2(-500) + L2(7)), L"a" + L2(-1000) + L2(7));
    // Text commands keep their "%"; a "%" in the opcode's place is no shift.
    EXPECT_EQ(ExpandVectorCommand(L"i%1", previous), L"i%1");
    EXPECT_EQ(ExpandVectorCommand(L"%", previous), L"%");
}

TEST(VectorPaletteTest, ListAndOverrideReplaceEntries) {
    const std::wstring rect = L"b1" + Params({0, 0, 0, 0, 0, 0, 0, 500, 500});
    // The in-string list makes entry 1 opaque green.
    std::vector<VectorOp> ops = Ops(L"(FF00FF00)" + rect);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].brush, 0xFF00FF00u);

    // The override comes after it: entries 1 and 2 white at alpha 0x32 and 0x64.
    const std::wstring twoColours = L"b12" + L2(50) + Params({0, 0, 0, 0, 0, 500, 500});
    ops = Ops(L"(FF00FF00)" + twoColours, L"32FFFFFF,64FFFFFF");
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].brush, 0x32FFFFFFu);
    EXPECT_EQ(ops[0].pen.argb, 0x64FFFFFFu);
    EXPECT_FLOAT_EQ(ops[0].pen.width, 50.0f);

    VectorColorTable colors = DefaultVectorColors();
    EXPECT_EQ(colors[0], 0u);
    EXPECT_EQ(colors[3], 0xFF00FF00u);
    EXPECT_EQ(colors[16], 0xFF808080u);
    // Blank tokens keep their entry; a token is read up to its first non-hex character; past
    // eight digits the last eight count; a seventeenth token has no entry.
    ApplyVectorColorList(colors, L" ff0000ff ,, 12g4,1FFEEDDCC");
    EXPECT_EQ(colors[1], 0xFF0000FFu);
    EXPECT_EQ(colors[2], 0xFFFF0000u);
    EXPECT_EQ(colors[3], 0x12u);
    EXPECT_EQ(colors[4], 0xFFEEDDCCu);
    ApplyVectorColorList(colors, L"1,2,3,4,5,6,7,8,9,A,B,C,D,E,F,10,11");
    EXPECT_EQ(colors[16], 0x10u);
    EXPECT_EQ(colors[0], 0u);

    // Palette index 0, and indexes outside the table, are "nothing".
    ops = Ops(L"b0" + L2(17) + Params({0, 0, 0, 0, 0, 500, 500}) + L"+bAA" + Params({0, 0, 0, 0, 0, 0, 500, 500}));
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].brush, 0u);
    EXPECT_EQ(ops[0].pen.argb, 0u);
    EXPECT_EQ(ops[1].brush, 0u);
}

TEST(VectorPaletteTest, HeaderAndListFraming) {
    const std::wstring rect = L"b1" + Params({0, 0, 0, 0, 0, 0, 0, 500, 500});
    std::vector<VectorOp> ops = Ops(L"{any text, (even) + this}(,FF123456)" + rect);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].brush, 0xFF000000u);  // entry 1 kept by the blank token
    // A header without "}" or a list without ")" leaves nothing to draw.
    EXPECT_TRUE(Ops(L"{no end" + rect).empty());
    EXPECT_TRUE(Ops(L"(FF00FF00" + rect).empty());
    // The list only counts right at the start (after a header).
    EXPECT_EQ(Ops(L"{}(FF00FF00)" + rect).at(0).brush, 0xFF00FF00u);
}

TEST(VectorLimitTest, LongerThanAThousandCharactersIsRefused) {
    std::wstring commands = L"b1" + Params({0, 0, 0, 0, 0, 0, 0, 500, 500}) + L"+";
    commands.resize(1000, L' ');
    testing::internal::CaptureStdout();
    VectorDrawing d = ExpandVector(commands, L"");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(d.refused);
    EXPECT_EQ(d.ops.size(), 1u);

    commands.push_back(L' ');
    testing::internal::CaptureStdout();
    d = ExpandVector(commands, L"");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "异常长度\n");
    EXPECT_TRUE(d.refused);
    EXPECT_TRUE(d.ops.empty());
}

// "e" with the box (0, 0, 1000, 1000), start angle `start` and `vertices`.
std::wstring Star(int vertices, int start, int innerX = 0, int innerY = 0) {
    return L"e1" + Params({0, 0, innerX, innerY, 0, vertices, start, 0, 0, 1000, 1000});
}

TEST(VectorOpcodeTest, RegularPolygonsAndStars) {
    EXPECT_EQ(Only<VectorPolygon>(Ops(Star(2, 0))).points.size(), 3u);
    EXPECT_EQ(Only<VectorPolygon>(Ops(Star(-1000, 0))).points.size(), 3u);
    EXPECT_EQ(Only<VectorPolygon>(Ops(Star(500, 0))).points.size(), 360u);

    // A square standing on its corner from −90°: the top vertex first, clockwise (y down).
    const VectorPolygon square = Only<VectorPolygon>(Ops(Star(4, -90)));
    ASSERT_EQ(square.points.size(), 4u);
    EXPECT_NEAR(square.points[0].x, 500, 0.01);
    EXPECT_NEAR(square.points[0].y, 0, 0.01);
    EXPECT_NEAR(square.points[1].x, 1000, 0.01);
    EXPECT_NEAR(square.points[1].y, 500, 0.01);
    EXPECT_EQ(square.fillMode, 0);  // alternate

    // Odd vertices pulled in to 40 % across and 80 % down; even ones stay on the ellipse.
    const VectorPolygon star = Only<VectorPolygon>(Ops(Star(4, 0, 60, 20)));
    EXPECT_NEAR(star.points[0].x, 1000, 0.01);
    EXPECT_NEAR(star.points[1].y, 500 + 500 * 0.8, 0.05);
    EXPECT_NEAR(star.points[3].y, 500 - 500 * 0.8, 0.05);
    EXPECT_NEAR(star.points[2].x, 0, 0.01);
}

// "a", "f" or "g" with `count` parameters: the points follow p14 (p15 for "g").
std::wstring PointCommand(wchar_t opcode, int count, bool closed) {
    std::wstring s(1, opcode);
    s += Params({1, 0, closed ? 1 : 0, 0, 1, 10, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 14; i <= count; ++i) s += L2(i * 10);
    return s;
}

TEST(VectorOpcodeTest, PointCountsRoundHalvesToEven) {
    EXPECT_EQ(VectorPointCount(6), 3);
    EXPECT_EQ(VectorPointCount(7), 3);  // 2.5 → 2
    EXPECT_EQ(VectorPointCount(9), 5);  // 3.5 → 4
    EXPECT_EQ(VectorPointCount(11), 5);  // 4.5 → 4

    // "a": more than 18 parameters is a polyline; 16–18 one line; fewer nothing.
    EXPECT_EQ(Only<VectorLines>(Ops(PointCommand(L'a', 19, false))).points.size(), 3u);
    EXPECT_EQ(Only<VectorLines>(Ops(PointCommand(L'a', 20, false))).points.size(), 3u);
    EXPECT_EQ(Only<VectorPolygon>(Ops(PointCommand(L'a', 22, true))).points.size(), 5u);
    const VectorPolygon polygon = Only<VectorPolygon>(Ops(PointCommand(L'a', 24, true)));
    ASSERT_EQ(polygon.points.size(), 5u);
    EXPECT_EQ(polygon.points[4], (VectorPoint{220, 230}));
    const VectorLines line = Only<VectorLines>(Ops(PointCommand(L'a', 18, true)));
    EXPECT_EQ(line.points, (std::vector<VectorPoint>{{140, 150}, {160, 170}}));
    EXPECT_TRUE(Ops(PointCommand(L'a', 15, false)).empty());

    // A point whose y was not given is 0 (count 22 gives five points from p14 to p23).
    EXPECT_EQ(Only<VectorLines>(Ops(PointCommand(L'a', 22, false))).points.back(), (VectorPoint{220, 0}));

    // "f": Bézier segments of 1 + 3k points; a partial segment at the end is left out.
    EXPECT_EQ(Only<VectorBeziers>(Ops(PointCommand(L'f', 21, false))).points.size(), 4u);
    EXPECT_EQ(Only<VectorBeziers>(Ops(PointCommand(L'f', 25, true))).points.size(), 4u);  // 6 given
    EXPECT_EQ(Only<VectorBeziers>(Ops(PointCommand(L'f', 26, true))).points.size(), 7u);  // 5.5 → 6, +1
    EXPECT_TRUE(Ops(PointCommand(L'f', 20, false)).empty());  // 3 points: no segment

    // "g": p14 is the tension, points from p15.
    const VectorCurve curve = Only<VectorCurve>(Ops(PointCommand(L'g', 21, true)));
    EXPECT_EQ(curve.points.size(), 3u);  // 2.5 → 2, +1
    EXPECT_EQ(curve.points[0], (VectorPoint{150, 160}));
    EXPECT_FLOAT_EQ(curve.tension, 1.4f);
    EXPECT_TRUE(curve.closed);
    EXPECT_EQ(Only<VectorCurve>(Ops(PointCommand(L'g', 24, false))).points.size(), 5u);
}

TEST(VectorOpcodeTest, PenAndBrushFollowTheOpcodeGroup) {
    // "a": brush p1, pen p5 of width p6, caps p7/p8, end arrow p9/p10, filled p11, start
    // arrow p12/p13, p4 = 7: dash style 2, join 1.
    std::wstring a = L"a2" + Params({0, 0, 7, 4, 40, 2, 0x12, 30, 20, 1, 15, 0}) + L2(0) + L2(0) + L2(500) + L2(500);
    VectorOp op = Ops(a).at(0);
    EXPECT_EQ(op.brush, 0xFFFF0000u);
    EXPECT_EQ(op.pen.argb, 0xFF0000FFu);
    EXPECT_FLOAT_EQ(op.pen.width, 40.0f);
    EXPECT_EQ(op.pen.startCap, 2);
    EXPECT_EQ(op.pen.endCap, 0x12);
    EXPECT_EQ(op.pen.endArrow, (VectorArrow{3.0f, 2.0f}));
    EXPECT_FALSE(op.pen.startArrow.Present());  // its width is 0
    EXPECT_TRUE(op.pen.arrowsFilled);
    EXPECT_EQ(op.pen.dashStyle, 2);
    EXPECT_EQ(op.pen.lineJoin, 1);

    // Negative p4 rounds down (−1: style −1, join 2) and an unknown style is solid; unknown
    // caps are flat; style 5 would need a pattern and is solid too.
    std::vector<VectorOp> ops = Ops(L"a2" + Params({0, 0, -1, 4, 40, 0, 0, 0, 0, 0, 0, 0}) + L2(0) + L2(0) +
                                    L2(500) + L2(500));
    EXPECT_EQ(ops.at(0).pen.dashStyle, 0);
    EXPECT_EQ(ops.at(0).pen.lineJoin, 2);
    ops = Ops(L"a2" + Params({0, 0, 15, 4, 40, 255, 4, 0, 0, 0, 0, 0}) + L2(0) + L2(0) + L2(500) + L2(500));
    EXPECT_EQ(ops.at(0).pen.startCap, 0);
    EXPECT_EQ(ops.at(0).pen.endCap, 0);
    EXPECT_EQ(ops.at(0).pen.dashStyle, 0);

    // "b": pen p2 of width p3, solid; "e" takes dash and join from p6, "i" from p4.
    op = Ops(L"b34" + L2(25) + Params({0, 0, 0, 0, 0, 500, 500})).at(0);
    EXPECT_EQ(op.brush, 0xFF00FF00u);
    VectorPen solid;
    solid.argb = 0xFF0000FFu;
    solid.width = 25.0f;
    EXPECT_EQ(op.pen, solid);
    op = Ops(L"e11" + Params({10, 0, 0, 5, 5, 0, 0, 0, 1000, 1000})).at(0);
    EXPECT_EQ(op.pen.dashStyle, 1);
    EXPECT_EQ(op.pen.lineJoin, 2);
    op = Ops(L"i11" + Params({10, 4, 0, 0, 0, 0, 0, 50, 50, 3}) + L"&A,b;").at(0);
    EXPECT_EQ(op.pen.dashStyle, 1);
    EXPECT_EQ(op.pen.lineJoin, 1);
}

TEST(VectorOpcodeTest, RectanglesEllipsesAndPies) {
    // Rounded when p6 ≥ 1 and a percentage ≥ 1; the other percentage then counts as 1.
    std::vector<VectorOp> ops = Ops(L"b1" + Params({0, 0, 10, 0, 5, 100, 200, 400, 300}));
    const VectorRoundRect round = Only<VectorRoundRect>(ops);
    EXPECT_EQ(round.box, (VectorBox{100, 200, 400, 300}));
    EXPECT_FLOAT_EQ(round.rx, 40.0f);
    EXPECT_FLOAT_EQ(round.ry, 3.0f);
    EXPECT_EQ(round.corners, 5);
    EXPECT_EQ(Only<VectorRect>(Ops(L"b1" + Params({0, 0, 10, 10, 0, 100, 200, 400, 300}))).box.w, 400);
    EXPECT_EQ(Only<VectorRect>(Ops(L"b1" + Params({0, 0, 0, 0, 15, 100, 200, 400, 300}))).box.h, 300);

    EXPECT_EQ(Only<VectorEllipse>(Ops(L"c1" + Params({0, 0, 100, 200, 300, 400}))).box,
              (VectorBox{100, 200, 300, 400}));

    const std::wstring pie = L"d1" + Params({0, 1, 0, 1, 10, 0, 0, 0, 0, 0, 0, 0, 100, 100, 800, 800, 30, 270});
    const VectorPie p = Only<VectorPie>(Ops(pie));
    EXPECT_EQ(p.box, (VectorBox{100, 100, 800, 800}));
    EXPECT_FLOAT_EQ(p.startAngle, 30);
    EXPECT_FLOAT_EQ(p.sweep, 270);
    EXPECT_TRUE(p.pie);
}

TEST(VectorOpcodeTest, PathSegments) {
    const std::wstring head = L"h1" + Params({1, 1, 0, 1, 10, 0, 0, 0, 0, 0, 0, 0}) + L2(100) + L2(100);
    // A line, an unknown code (skipped), a Bézier, a rectangle given bottom-right first, and
    // a curve missing its last value, which ends the path.
    const std::wstring segments = L"0" + L2(900) + L2(100) + L2(77) + L"2" + L2(900) + L2(900) + L2(100) +
                                  L2(900) + L2(100) + L2(500) + L"3" + L2(600) + L2(700) + L2(200) + L2(300) + L"1" +
                                  L2(1) + L2(2) + L2(3);
    const VectorPath path = Only<VectorPath>(Ops(head + segments));
    EXPECT_EQ(path.start, (VectorPoint{100, 100}));
    EXPECT_EQ(path.fillMode, 1);
    EXPECT_TRUE(path.closed);
    ASSERT_EQ(path.segments.size(), 3u);
    EXPECT_EQ(path.segments[0].kind, VectorSegment::Line);
    EXPECT_EQ(path.segments[0].points[0], (VectorPoint{900, 100}));
    EXPECT_EQ(path.segments[1].kind, VectorSegment::Bezier);
    EXPECT_EQ(path.segments[1].points[2], (VectorPoint{100, 500}));
    EXPECT_EQ(path.segments[2].kind, VectorSegment::Rect);
    EXPECT_EQ(path.segments[2].points[0], (VectorPoint{200, 300}));
    EXPECT_EQ(path.segments[2].points[1], (VectorPoint{600, 700}));

    // 17 parameters are too few for a path.
    EXPECT_TRUE(Ops(head + L"0").empty());
    EXPECT_EQ(Only<VectorPath>(Ops(head + L"3" + L2(1) + L2(2))).segments.size(), 0u);  // a box without its end
}

// "i" with size p5 = 50, at (p10, p11), and an inline text of `length` characters.
std::wstring TextCommand(int length, std::wstring_view inlineText, int bold = 0, int underline = 0) {
    return L"i11" + Params({0, 0, 50, bold, 0, underline, 0, 150, 100, length}) + L"&" + std::wstring(inlineText);
}

TEST(VectorOpcodeTest, InlineTextNamesFontAndText) {
    // 50 is 100 thousandths of the cell width; the origin is (p10 − 50, p11 − 50).
    const std::vector<VectorOp> ops = Ops(TextCommand(18, L"Microsoft YaHei,图标;", 1, 1));
    const VectorText t = Only<VectorText>(ops);
    EXPECT_EQ(t.font, L"Microsoft YaHei");
    EXPECT_EQ(t.text, L"图标");  // 18 characters; the ";" after them ends the text
    EXPECT_FLOAT_EQ(t.size, 100.0f);
    EXPECT_TRUE(t.bold);
    EXPECT_FALSE(t.italic);
    EXPECT_TRUE(t.underline);
    EXPECT_EQ(t.origin, (VectorPoint{100, 50}));

    // No comma, no text after it, or a position that is not in the command: nothing.
    EXPECT_TRUE(Ops(TextCommand(5, L"Arial;")).empty());
    EXPECT_TRUE(Ops(TextCommand(6, L"Arial,;")).empty());
    EXPECT_TRUE(Ops(L"i11" + Params({0, 0, 50, 0, 0, 0, 0, 150, 100, 9, 500})).empty());
    // A length past the end is cut at the end of the command; "+" still ends it.
    EXPECT_EQ(Only<VectorText>(Ops(TextCommand(99, L"A,bc+x"))).text, L"bc");
}

TEST(VectorOpcodeTest, UnknownOpcodesAndEmptyCommandsDrawNothing) {
    EXPECT_TRUE(Ops(L"z123456789").empty());
    EXPECT_TRUE(Ops(L"++").empty());
    EXPECT_TRUE(Ops(L"").empty());
    // An empty command is the previous one for the next: "c*3" then borrows nothing.
    const std::vector<VectorOp> ops = Ops(L"c1234+ +c*3");
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(std::get<VectorEllipse>(ops[1].shape).box, (VectorBox{}));
}

}  // namespace
}  // namespace qln

// libFuzzer target over the vector-icon language: any input becomes a command string and a
// palette override (split at the first line end). AddressSanitizer catches every read or write
// outside a string; the checks below catch results that no string may give.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "forms/draw/vector_language.h"

namespace {

// UTF-8 where it is valid, else each byte is its own code; 0xFE and four bytes give any 32-bit
// code (wchar_t is 32 bits here), so that codes far outside the language's letters are tried too.
std::wstring Decode(const std::uint8_t* data, std::size_t size) {
    std::wstring out;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = data[i];
        if (b == 0xFE && i + 4 < size) {
            std::uint32_t v = 0;
            for (int k = 1; k <= 4; ++k) v = (v << 8) | data[i + k];
            out.push_back(static_cast<wchar_t>(v));
            i += 5;
        } else if (b >= 0xE0 && b < 0xF0 && i + 2 < size && (data[i + 1] & 0xC0) == 0x80 &&
                   (data[i + 2] & 0xC0) == 0x80) {
            out.push_back(static_cast<wchar_t>(((b & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) | (data[i + 2] & 0x3F)));
            i += 3;
        } else if (b >= 0xC0 && b < 0xE0 && i + 1 < size && (data[i + 1] & 0xC0) == 0x80) {
            out.push_back(static_cast<wchar_t>(((b & 0x1F) << 6) | (data[i + 1] & 0x3F)));
            i += 2;
        } else {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
        }
    }
    return out;
}

void Require(bool condition) {
    if (!condition) std::abort();
}

bool Finite(qln::VectorPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }
bool Finite(const qln::VectorBox& b) { return std::isfinite(b.x + b.y + b.w + b.h); }

// Every value in an operation is finite, and counts stay within what the string can hold.
struct CheckShape {
    std::size_t limit;  // no operation needs more points or characters than this
    void operator()(const qln::VectorLines& s) const { Points(s.points, 2); }
    void operator()(const qln::VectorPolygon& s) const { Points(s.points, 2); }
    void operator()(const qln::VectorRect& s) const { Require(Finite(s.box)); }
    void operator()(const qln::VectorRoundRect& s) const { Require(Finite(s.box) && std::isfinite(s.rx + s.ry)); }
    void operator()(const qln::VectorEllipse& s) const { Require(Finite(s.box)); }
    void operator()(const qln::VectorPie& s) const { Require(Finite(s.box)); }
    void operator()(const qln::VectorBeziers& s) const {
        Points(s.points, 4);
        Require((s.points.size() - 1) % 3 == 0);
    }
    void operator()(const qln::VectorCurve& s) const {
        Points(s.points, 2);
        Require(std::isfinite(s.tension));
    }
    void operator()(const qln::VectorPath& s) const {
        Require(Finite(s.start) && s.segments.size() <= limit);
        for (const qln::VectorSegment& g : s.segments) {
            for (const qln::VectorPoint& p : g.points) Require(Finite(p));
        }
    }
    void operator()(const qln::VectorText& s) const {
        Require(!s.text.empty() && s.font.size() + s.text.size() < limit && Finite(s.origin));
    }
    void Points(const std::vector<qln::VectorPoint>& points, std::size_t minimum) const {
        Require(points.size() >= minimum && points.size() <= limit);
        for (const qln::VectorPoint& p : points) Require(Finite(p));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring input = Decode(data, size);
    const std::size_t lineEnd = input.find(L'\n');
    const std::wstring commands = input.substr(0, lineEnd);
    const std::wstring palette = lineEnd == std::wstring::npos ? std::wstring() : input.substr(lineEnd + 1);

    const qln::VectorDrawing drawing = qln::ExpandVector(commands, palette);
    if (commands.size() > qln::kVectorMaxLength) {
        Require(drawing.refused && drawing.ops.empty());
        return 0;
    }
    Require(!drawing.refused);
    // Repetitions and shifted copies can grow a command, but never past 40 characters per
    // character of the string; parameters are at most 5 per character.
    const CheckShape check{(commands.size() + 1) * 40 * 5};
    for (const qln::VectorOp& op : drawing.ops) {
        Require(std::isfinite(op.pen.width) && std::isfinite(op.pen.startArrow.height + op.pen.startArrow.width) &&
                std::isfinite(op.pen.endArrow.height + op.pen.endArrow.width));
        Require(op.pen.dashStyle >= 0 && op.pen.dashStyle <= 4 && op.pen.lineJoin >= 0 && op.pen.lineJoin <= 2);
        std::visit(check, op.shape);
    }

    // One command against an arbitrary previous command, as the expansion sees them.
    const std::size_t half = commands.size() / 2;
    const std::wstring expanded = qln::ExpandVectorCommand(std::wstring_view(commands).substr(0, half),
                                                           std::wstring_view(commands).substr(half));
    Require(expanded.size() <= commands.size() + 36);
    const qln::VectorParams params = qln::ParseVectorParams(expanded);
    Require(params.count >= 0 && (params.count == 0 || static_cast<std::size_t>(params.count) < params.values.size()));
    std::vector<qln::VectorOp> ops;
    qln::AppendVectorOps(expanded, params, qln::DefaultVectorColors(), ops);
    for (const qln::VectorOp& op : ops) std::visit(check, op.shape);
    return 0;
}

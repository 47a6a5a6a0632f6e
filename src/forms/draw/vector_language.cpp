#include "forms/draw/vector_language.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <type_traits>

#include "forms/layout/layout_rules.h"

namespace qln {

namespace {

constexpr double kPi = 3.1415926;  // the value the icons were designed with
constexpr int kTwoLetterBase = 55;
constexpr int kValueOffset = 1000;
constexpr int kMinValue = -1000;
constexpr int kMaxShiftedValue = 2079;  // the largest value whose two letters stay in "A".."x"

// wchar_t is 16 bits unsigned on Windows and 32 bits signed on Linux; compare codes as the
// non-negative numbers they are on both.
long long Code(wchar_t c) { return static_cast<long long>(static_cast<std::make_unsigned_t<wchar_t>>(c)); }

bool IsSingle(wchar_t c) { return Code(c) >= 48 && Code(c) <= 64; }  // "0".."9" and ":;<=>?@"
bool IsLetter(wchar_t c) { return Code(c) >= 65 && Code(c) <= 120; }  // "A".."x"
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A value of one single character or two letters starting at `i`, which moves past it. A
// character of neither kind counts as 0 and is passed over.
int ReadValue(std::wstring_view s, std::size_t& i) {
    if (i >= s.size()) return 0;
    const wchar_t c = s[i];
    if (IsSingle(c)) {
        ++i;
        return static_cast<int>(Code(c) - 48);
    }
    if (IsLetter(c)) {
        const long long second = i + 1 < s.size() && IsLetter(s[i + 1]) ? Code(s[i + 1]) - 65 : 0;
        i += 2;  // the second character is consumed even when it counted as 0
        return static_cast<int>((Code(c) - 65) * kTwoLetterBase + second - kValueOffset);
    }
    ++i;
    return 0;
}

void AppendTwoLetters(std::wstring& out, long long value) {
    const long long v = std::clamp<long long>(value, kMinValue, kMaxShiftedValue) + kValueOffset;
    out.push_back(static_cast<wchar_t>(L'A' + v / kTwoLetterBase));
    out.push_back(static_cast<wchar_t>(L'A' + v % kTwoLetterBase));
}

// The text that replaces "%…": `shift` is what follows the "%".
std::wstring ShiftedCopy(std::wstring_view shift, std::wstring_view previous) {
    std::size_t n = !shift.empty() && IsDigit(shift[0]) ? static_cast<std::size_t>(shift[0] - L'0') : 0;
    std::size_t i = 1;
    const int dx = ReadValue(shift, i);
    const int dy = ReadValue(shift, i);
    // Points come after the opcode; a short previous command gives the points it has.
    const std::size_t available = previous.empty() ? 0 : (previous.size() - 1) / 4;
    n = std::min(n, available);
    const std::wstring_view points = previous.substr(previous.size() - 4 * n);
    std::wstring out;
    out.reserve(4 * n);
    for (std::size_t k = 0; k < 4 * n; k += 2) {
        const long long value = (Code(points[k]) - 65) * kTwoLetterBase + (Code(points[k + 1]) - 65) - kValueOffset;
        AppendTwoLetters(out, value + ((k / 2) % 2 == 0 ? dx : dy));
    }
    return out;
}

std::wstring_view TrimSpaces(std::wstring_view s) {
    while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
    return s;
}

std::uint32_t ParseHex(std::wstring_view token) {
    std::uint32_t value = 0;
    for (wchar_t c : token) {
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else if (c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else {
            break;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);  // past 8 digits the last 8 count
    }
    return value;
}

std::uint32_t Color(const VectorColorTable& colors, int index) {
    // An index outside the table is "nothing", not a read past it.
    return index >= 0 && index < static_cast<int>(colors.size()) ? colors[static_cast<std::size_t>(index)] : 0;
}

int ValidCap(int cap) {
    const bool known = (cap >= 0 && cap <= 3) || (cap >= 0x10 && cap <= 0x14);
    return known ? cap : 0;  // anything else (also "custom" without a custom cap) is flat
}

// p ÷ 3 and p mod 3, both rounded down, as dash style and line join.
void SetDashAndJoin(VectorPen& pen, int p) {
    const int style = p >= 0 ? p / 3 : -((-p + 2) / 3);
    const int join = p - 3 * style;
    pen.dashStyle = style >= 0 && style <= 4 ? style : 0;  // 5 would need a dash pattern
    pen.lineJoin = join;
}

VectorArrow Arrow(int height, int width) {
    if (height <= 0 || width <= 0) return {};
    return {height / 10.0f, width / 10.0f};
}

float F(int v) { return static_cast<float>(v); }
VectorPoint Point(const VectorParams& p, int i) { return {F(p[i]), F(p[i + 1])}; }
VectorBox Box(const VectorParams& p, int i) { return {F(p[i]), F(p[i + 1]), F(p[i + 2]), F(p[i + 3])}; }

std::vector<VectorPoint> Points(const VectorParams& p, int first, int count) {
    std::vector<VectorPoint> points;
    if (count <= 0) return points;
    points.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) points.push_back(Point(p, first + 2 * k));
    return points;
}

// Opcodes a, d, f, g and h: a line pen with caps, arrows, dash and join.
VectorPen LinePen(const VectorParams& p, const VectorColorTable& colors) {
    VectorPen pen;
    pen.argb = Color(colors, p[5]);
    pen.width = F(p[6]);
    pen.startCap = ValidCap(p[7]);
    pen.endCap = ValidCap(p[8]);
    pen.endArrow = Arrow(p[9], p[10]);
    pen.startArrow = Arrow(p[12], p[13]);
    pen.arrowsFilled = p[11] != 0;
    SetDashAndJoin(pen, p[4]);
    return pen;
}

// Opcodes b, c, e and i: colour and width only, solid unless the opcode has a dash parameter.
VectorPen ShapePen(const VectorParams& p, const VectorColorTable& colors, int dashParam) {
    VectorPen pen;
    pen.argb = Color(colors, p[2]);
    pen.width = F(p[3]);
    if (dashParam > 0) SetDashAndJoin(pen, p[dashParam]);
    return pen;
}

VectorShape RectShape(const VectorParams& p) {
    const VectorBox box = Box(p, 7);
    if (p[6] >= 1 && (p[4] >= 1 || p[5] >= 1)) {
        // A percentage not given counts as 1, so that the other one still rounds its corners.
        const int px = std::max(p[4], 1), py = std::max(p[5], 1);
        return VectorRoundRect{box, box.w * F(px) / 100.0f, box.h * F(py) / 100.0f, p[6]};
    }
    return VectorRect{box};
}

VectorPolygon StarShape(const VectorParams& p) {
    const int m = std::clamp(p[7], 3, 360);
    const double x = p[9], y = p[10], w = p[11], h = p[12];
    const double cx = x + w / 2, cy = y + h / 2;
    const double innerX = (100.0 - p[4]) / 100.0, innerY = (100.0 - p[5]) / 100.0;
    VectorPolygon polygon;
    polygon.fillMode = 0;  // alternate: a star's middle stays filled either way
    polygon.points.reserve(static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) {
        double angle = p[8] + k * 360.0 / m;
        if (angle > 360.0) angle -= 360.0;
        const double radians = angle * kPi / 180.0;
        const double fx = k % 2 == 1 ? innerX : 1.0, fy = k % 2 == 1 ? innerY : 1.0;
        polygon.points.push_back({static_cast<float>(cx + w / 2 * std::cos(radians) * fx),
                                  static_cast<float>(cy + h / 2 * std::sin(radians) * fy)});
    }
    return polygon;
}

// Opcode h: segments from p16 on, each a type code and its values; a segment whose values run
// past the parameters given ends the path.
VectorPath PathShape(const VectorParams& p) {
    VectorPath path;
    path.fillMode = p[2];
    path.closed = p[3] != 0;
    path.start = Point(p, 14);
    int i = 16;
    while (i <= p.count) {
        const int code = p[i];
        static constexpr int kValues[5] = {2, 4, 6, 4, 4};
        if (code < 0 || code > 4) {
            ++i;
            continue;
        }
        const int need = kValues[code];
        if (i + need > p.count) break;
        VectorSegment s;
        s.kind = static_cast<VectorSegment::Kind>(code);
        for (int k = 0; k < need / 2; ++k) s.points[static_cast<std::size_t>(k)] = Point(p, i + 1 + 2 * k);
        if (s.kind == VectorSegment::Rect || s.kind == VectorSegment::Ellipse) {
            const VectorPoint a = s.points[0], b = s.points[1];
            s.points[0] = {std::min(a.x, b.x), std::min(a.y, b.y)};
            s.points[1] = {std::max(a.x, b.x), std::max(a.y, b.y)};
        }
        path.segments.push_back(s);
        i += 1 + need;
    }
    return path;
}

// Opcode i: the inline text at p13 (1-based, p12 long) holds "font,text".
bool TextShape(std::wstring_view command, const VectorParams& p, VectorText& out) {
    const long long position = p[13], length = p[12];
    if (position < 1 || position > static_cast<long long>(command.size()) || length <= 0) return false;
    const std::size_t start = static_cast<std::size_t>(position - 1);
    const std::wstring_view inline_ = command.substr(start, static_cast<std::size_t>(length));
    const std::size_t comma = inline_.find(L',');
    if (comma == std::wstring_view::npos || comma + 1 >= inline_.size()) return false;
    out.font = std::wstring(inline_.substr(0, comma));
    out.text = std::wstring(inline_.substr(comma + 1));
    out.size = F(p[5]) * 2.0f;  // p5 / 500 of the cell width
    out.bold = p[6] != 0;
    out.italic = p[7] != 0;
    out.underline = p[8] != 0;
    out.strikeout = p[9] != 0;
    out.origin = {F(p[10] - 50), F(p[11] - 50)};
    return true;
}

void ReportRefused() {
    // In the C library's multibyte encoding (the user's code page once start-up has set the
    // locale); where that cannot hold the text, as UTF-8.
    std::string bytes;
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (const wchar_t* c = kVectorRefusedText; *c; ++c) {
        const std::size_t n = std::wcrtomb(buffer, *c, &state);
        if (n == static_cast<std::size_t>(-1)) {
            bytes = "\xE5\xBC\x82\xE5\xB8\xB8\xE9\x95\xBF\xE5\xBA\xA6";
            break;
        }
        bytes.append(buffer, n);
    }
    bytes.push_back('\n');
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

VectorColorTable DefaultVectorColors() {
    return {0x00000000u, 0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u,
            0xFFFF00FFu, 0xFF00FFFFu, 0xFFFFFFFFu, 0xFF800000u, 0xFF008000u, 0xFF000080u,
            0xFF808000u, 0xFF800080u, 0xFF008080u, 0xFFC0C0C0u, 0xFF808080u};
}

void ApplyVectorColorList(VectorColorTable& colors, std::wstring_view list) {
    std::size_t entry = 1;
    while (entry < colors.size()) {
        const std::size_t comma = list.find(L',');
        const std::wstring_view token = TrimSpaces(list.substr(0, comma));
        if (!token.empty()) colors[entry] = ParseHex(token);
        ++entry;
        if (comma == std::wstring_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

int VectorPointCount(int spareParams) { return RoundHalfEven(spareParams * 0.5 - 1.0) + 1; }

std::wstring ExpandVectorCommand(std::wstring_view command, std::wstring_view previous) {
    std::wstring out;
    if (command.size() >= 2 && command[1] == L'*') {
        out.push_back(command[0]);
        const long long take = command.size() >= 3 ? Code(command[2]) - 47 : 0;
        if (take > 0 && previous.size() > 1) {
            out.append(previous.substr(1, static_cast<std::size_t>(std::min<long long>(
                                              take, static_cast<long long>(previous.size()) - 1))));
        }
        if (command.size() > 3) out.append(command.substr(3));
    } else {
        out.assign(command);
    }
    if (!out.empty() && out[0] != L'i') {
        const std::size_t percent = out.find(L'%', 1);
        if (percent != std::wstring::npos) {
            const std::wstring copy = ShiftedCopy(std::wstring_view(out).substr(percent + 1), previous);
            out.resize(percent);
            out += copy;
        }
    }
    return out;
}

VectorParams ParseVectorParams(std::wstring_view command) {
    VectorParams p;
    if (command.empty()) return p;
    p.opcode = command[0];
    auto set = [&p](int index, int value) {
        if (p.values.size() <= static_cast<std::size_t>(index)) p.values.resize(static_cast<std::size_t>(index) + 1);
        p.values[static_cast<std::size_t>(index)] = value;
        p.count = std::max(p.count, index);
    };
    int n = 1;
    std::size_t i = 1;
    while (i < command.size()) {
        const wchar_t c = command[i];
        if (IsSingle(c) || IsLetter(c)) {
            set(n++, ReadValue(command, i));
        } else if (c == L'.' && i + 1 < command.size() && IsDigit(command[i + 1])) {
            n += command[i + 1] - L'0';
            i += 2;
        } else if (c == L'&') {
            // The text starts after "&" and is as long as the previous parameter; one
            // character after it closes it.
            set(n, static_cast<int>(i) + 2);
            const long long length = std::max(p[n - 1], 0);
            i += static_cast<std::size_t>(length) + 2;
        } else {
            ++i;
        }
    }
    return p;
}

void AppendVectorOps(std::wstring_view command, const VectorParams& p, const VectorColorTable& colors,
                     std::vector<VectorOp>& ops) {
    const std::uint32_t brush = Color(colors, p[1]);
    auto add = [&](VectorShape shape, const VectorPen& pen) { ops.push_back({std::move(shape), brush, pen}); };
    switch (p.opcode) {
    case L'a':
        if (p.count > 18) {
            const std::vector<VectorPoint> points = Points(p, 14, VectorPointCount(p.count - 13));
            if (p[3] != 0) {
                add(VectorPolygon{points, p[2]}, LinePen(p, colors));
            } else {
                add(VectorLines{points}, LinePen(p, colors));
            }
        } else if (p.count >= 16) {
            add(VectorLines{{Point(p, 14), Point(p, 16)}}, LinePen(p, colors));
        }
        break;
    case L'b':
        add(RectShape(p), ShapePen(p, colors, 0));
        break;
    case L'c':
        add(VectorEllipse{Box(p, 4)}, ShapePen(p, colors, 0));
        break;
    case L'd':
        add(VectorPie{Box(p, 14), F(p[18]), F(p[19]), p[3] != 0}, LinePen(p, colors));
        break;
    case L'e':
        add(StarShape(p), ShapePen(p, colors, 6));
        break;
    case L'f': {
        const int given = VectorPointCount(p.count - 13);
        // Every Bézier segment needs three more points; a partial one at the end is left out.
        const int usable = given >= 4 ? 1 + 3 * ((given - 1) / 3) : 0;
        if (usable > 0) add(VectorBeziers{Points(p, 14, usable), p[2], p[3] != 0}, LinePen(p, colors));
        break;
    }
    case L'g': {
        const int count = VectorPointCount(p.count - 14);
        if (count >= 2) add(VectorCurve{Points(p, 15, count), F(p[14]) / 100.0f, p[2], p[3] != 0}, LinePen(p, colors));
        break;
    }
    case L'h':
        if (p.count >= 18) add(PathShape(p), LinePen(p, colors));
        break;
    case L'i': {
        VectorText text;
        if (TextShape(command, p, text)) add(std::move(text), ShapePen(p, colors, 4));
        break;
    }
    default:
        break;
    }
}

VectorDrawing ExpandVector(std::wstring_view commands, std::wstring_view paletteOverride) {
    VectorDrawing drawing;
    if (commands.size() > kVectorMaxLength) {
        drawing.refused = true;
        ReportRefused();
        return drawing;
    }
    std::wstring_view rest = commands;
    if (!rest.empty() && rest.front() == L'{') {
        const std::size_t close = rest.find(L'}');
        rest = close == std::wstring_view::npos ? std::wstring_view() : rest.substr(close + 1);
    }
    VectorColorTable colors = DefaultVectorColors();
    if (!rest.empty() && rest.front() == L'(') {
        const std::size_t close = rest.find(L')');
        ApplyVectorColorList(colors, rest.substr(1, close == std::wstring_view::npos ? close : close - 1));
        rest = close == std::wstring_view::npos ? std::wstring_view() : rest.substr(close + 1);
    }
    ApplyVectorColorList(colors, paletteOverride);
    if (rest.empty()) return drawing;

    std::wstring previous;
    while (true) {
        const std::size_t plus = rest.find(L'+');
        std::wstring command = ExpandVectorCommand(rest.substr(0, plus), previous);
        AppendVectorOps(command, ParseVectorParams(command), colors, drawing.ops);
        previous = std::move(command);
        if (plus == std::wstring_view::npos) break;
        rest.remove_prefix(plus + 1);
    }
    return drawing;
}

}  // namespace qln

// DrawVector: the operations of forms/vector_language.h on a canvas, through the canvas's own
// shapes where it has them and the GDI+ flat API for pies, curves, paths and pen details.
#include "forms/draw/vector_draw.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <optional>
#include <vector>

#include "forms/draw/vector_language.h"

namespace qln {

namespace gp = Gdiplus::DllExports;

namespace {

// Cell units (thousandths of the cell) to logical pixels.
struct Cell {
    float x, y, w, h;
    float X(float v) const { return x + v / 1000.0f * w; }
    float Y(float v) const { return y + v / 1000.0f * h; }
    float W(float v) const { return v / 1000.0f * w; }
    float H(float v) const { return v / 1000.0f * h; }
    Gdiplus::PointF P(VectorPoint p) const { return Gdiplus::PointF(X(p.x), Y(p.y)); }
    std::vector<Gdiplus::PointF> Ps(const std::vector<VectorPoint>& points) const {
        std::vector<Gdiplus::PointF> out;
        out.reserve(points.size());
        for (const VectorPoint& p : points) out.push_back(P(p));
        return out;
    }
};

Gdiplus::GpFillMode FillModeOf(int mode) { return mode == kFillWinding ? Gdiplus::FillModeWinding : Gdiplus::FillModeAlternate; }

// The caller's pen, brush and path font, copied before the icon replaces them and given back
// afterwards; the clip goes back to none.
class SavedCanvasState {
public:
    explicit SavedCanvasState(Canvas& c) : c_(c), fontSize_(c.pathFontSize), fontStyle_(c.pathFontStyle) {
        if (c.pen) gp::GdipClonePen(c.pen.get(), &pen_);
        if (c.brush) gp::GdipCloneBrush(c.brush.get(), &brush_);
        if (c.pathFontFamily) gp::GdipCloneFontFamily(c.pathFontFamily.get(), &family_);
    }
    ~SavedCanvasState() {
        if (c_.graphics) gp::GdipResetClip(c_.graphics.get());
        c_.pen.reset(pen_);
        c_.brush.reset(brush_);
        c_.pathFontFamily.reset(family_);
        c_.pathFontSize = fontSize_;
        c_.pathFontStyle = fontStyle_;
    }
    SavedCanvasState(const SavedCanvasState&) = delete;
    SavedCanvasState& operator=(const SavedCanvasState&) = delete;

private:
    Canvas& c_;
    Gdiplus::GpPen* pen_ = nullptr;
    Gdiplus::GpBrush* brush_ = nullptr;
    Gdiplus::GpFontFamily* family_ = nullptr;
    float fontSize_;
    int fontStyle_;
};

class VectorPainter {
public:
    VectorPainter(Canvas& canvas, Cell cell) : c_(canvas), cell_(cell) {}

    void Run(const VectorOp& op) {
        UsePen(op.pen);
        UseBrush(op.brush);
        std::visit([this](const auto& shape) { Draw(shape); }, op.shape);
    }

private:
    Gdiplus::GpGraphics* G() const { return c_.graphics.get(); }
    Gdiplus::GpPen* Pen() const { return c_.pen.get(); }
    Gdiplus::GpBrush* Brush() const { return c_.brush.get(); }

    // Pens and brushes are made again only when what a command asks for changes.
    void UsePen(const VectorPen& want) {
        if (pen_ && *pen_ == want) return;
        pen_ = want;
        SetPen(c_, want.argb == 0 ? 0.0f : cell_.W(want.width), want.argb);
        if (!c_.pen) return;
        SetPenCaps(c_, want.startCap, want.endCap);
        SetArrow(want.startArrow, want.arrowsFilled, gp::GdipSetPenCustomStartCap);
        SetArrow(want.endArrow, want.arrowsFilled, gp::GdipSetPenCustomEndCap);
        gp::GdipSetPenDashStyle(Pen(), static_cast<Gdiplus::GpDashStyle>(want.dashStyle));
        gp::GdipSetPenLineJoin(Pen(), static_cast<Gdiplus::GpLineJoin>(want.lineJoin));
    }

    template <typename SetCap>
    void SetArrow(const VectorArrow& arrow, bool filled, SetCap set) {
        if (!arrow.Present()) return;
        Gdiplus::GpAdjustableArrowCap* cap = nullptr;
        if (gp::GdipCreateAdjustableArrowCap(arrow.height, arrow.width, filled ? TRUE : FALSE, &cap) != Gdiplus::Ok) return;
        set(Pen(), cap);  // the pen keeps a copy of its own
        gp::GdipDeleteCustomLineCap(cap);
    }

    void UseBrush(std::uint32_t argb) {
        if (brush_ && *brush_ == argb) return;
        brush_ = argb;
        SetBrush(c_, argb);
    }

    void Draw(const VectorLines& s) {
        const std::vector<Gdiplus::PointF> points = cell_.Ps(s.points);
        if (Pen() && points.size() >= 2) gp::GdipDrawLines(G(), Pen(), points.data(), static_cast<INT>(points.size()));
    }

    void Draw(const VectorPolygon& s) {
        std::vector<CanvasPoint> points;
        points.reserve(s.points.size());
        for (const VectorPoint& p : s.points) points.push_back({cell_.X(p.x), cell_.Y(p.y)});
        ShapePolygon(c_, points, s.fillMode);
    }

    void Draw(const VectorRect& s) {
        ShapeRect(c_, cell_.X(s.box.x), cell_.Y(s.box.y), cell_.W(s.box.w), cell_.H(s.box.h));
    }

    void Draw(const VectorRoundRect& s) {
        RoundRect(c_, cell_.X(s.box.x), cell_.Y(s.box.y), cell_.W(s.box.w), cell_.H(s.box.h), cell_.W(s.rx),
                  cell_.H(s.ry), s.corners);
    }

    void Draw(const VectorEllipse& s) {
        ShapeEllipse(c_, cell_.X(s.box.x), cell_.Y(s.box.y), cell_.W(s.box.w), cell_.H(s.box.h));
    }

    void Draw(const VectorPie& s) {
        const float x = cell_.X(s.box.x), y = cell_.Y(s.box.y), w = cell_.W(s.box.w), h = cell_.H(s.box.h);
        if (Brush()) gp::GdipFillPie(G(), Brush(), x, y, w, h, s.startAngle, s.sweep);
        if (!Pen()) return;
        if (s.pie) {
            gp::GdipDrawPie(G(), Pen(), x, y, w, h, s.startAngle, s.sweep);
        } else {
            gp::GdipDrawArc(G(), Pen(), x, y, w, h, s.startAngle, s.sweep);
        }
    }

    void Draw(const VectorBeziers& s) {
        const std::vector<Gdiplus::PointF> points = cell_.Ps(s.points);
        NewPath(c_, s.fillMode);
        if (!c_.path) return;
        gp::GdipAddPathBeziers(c_.path.get(), points.data(), static_cast<INT>(points.size()));
        if (s.closed) gp::GdipClosePathFigure(c_.path.get());
        FillPath(c_);
    }

    void Draw(const VectorCurve& s) {
        const std::vector<Gdiplus::PointF> points = cell_.Ps(s.points);
        const INT n = static_cast<INT>(points.size());
        if (Brush()) gp::GdipFillClosedCurve2(G(), Brush(), points.data(), n, s.tension, FillModeOf(s.fillMode));
        if (!Pen()) return;
        if (s.closed) {
            gp::GdipDrawClosedCurve2(G(), Pen(), points.data(), n, s.tension);
        } else {
            gp::GdipDrawCurve2(G(), Pen(), points.data(), n, s.tension);
        }
    }

    void Draw(const VectorPath& s) {
        NewPath(c_, s.fillMode);
        if (!c_.path) return;
        Gdiplus::GpPath* path = c_.path.get();
        Gdiplus::PointF at = cell_.P(s.start);
        for (const VectorSegment& segment : s.segments) {
            const Gdiplus::PointF a = cell_.P(segment.points[0]), b = cell_.P(segment.points[1]),
                                  e = cell_.P(segment.points[2]);
            switch (segment.kind) {
            case VectorSegment::Line:
                gp::GdipAddPathLine(path, at.X, at.Y, a.X, a.Y);
                at = a;
                break;
            case VectorSegment::Curve: {
                const Gdiplus::PointF through[3] = {at, a, b};
                gp::GdipAddPathCurve(path, through, 3);
                at = b;
                break;
            }
            case VectorSegment::Bezier:
                gp::GdipAddPathBezier(path, at.X, at.Y, a.X, a.Y, b.X, b.Y, e.X, e.Y);
                at = e;
                break;
            case VectorSegment::Rect:
                gp::GdipAddPathRectangle(path, a.X, a.Y, b.X - a.X, b.Y - a.Y);
                break;
            case VectorSegment::Ellipse:
                gp::GdipAddPathEllipse(path, a.X, a.Y, b.X - a.X, b.Y - a.Y);
                break;
            }
        }
        if (s.closed) gp::GdipClosePathFigure(path);
        FillPath(c_);
    }

    void Draw(const VectorText& s) {
        SetPathFont(c_, s.font.c_str(), cell_.W(s.size), s.bold, s.italic, s.strikeout, s.underline);
        PathText(c_, cell_.X(s.origin.x), cell_.Y(s.origin.y), 3 * cell_.w, 3 * cell_.h, s.text);
    }

    Canvas& c_;
    Cell cell_;
    std::optional<VectorPen> pen_;
    std::optional<std::uint32_t> brush_;
};

}  // namespace

void DrawVector(Canvas& canvas, float x, float y, float w, float h, std::wstring_view commands,
                std::wstring_view paletteOverride) {
    if (!(w >= 1.0f) || !(h >= 1.0f) || commands.empty()) return;
    const VectorDrawing drawing = ExpandVector(commands, paletteOverride);
    if (drawing.refused || drawing.ops.empty() || !canvas.graphics) return;

    SavedCanvasState saved(canvas);
    gp::GdipSetClipRect(canvas.graphics.get(), x, y, w, h, Gdiplus::CombineModeReplace);
    VectorPainter painter(canvas, {x, y, w, h});
    for (const VectorOp& op : drawing.ops) painter.Run(op);
}

}  // namespace qln

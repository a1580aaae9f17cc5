// The videotex canvas on Qt: draws the decoder's primitives into two images,
// the visible surface (what the picture window shows while a picture arrives)
// and the 640 x 500 off-screen copy the window repaints from. Filled shapes
// are painted off-screen only and then copied to the visible surface as one
// block, so the visible surface never shows a half-painted fill.
//
// Unit space maps to pixels with px(x) = trunc(W x), py(y) = H - trunc(W y);
// W x H is the canvas size (640 x 500, 512 x 400 or 384 x 300). Changing the
// size later does not rescale what is already drawn.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <functional>

#include "videotex/VtxCanvas.h"

class QPainter;
class QPen;
class QBrush;

namespace velo {

class VtxImageCanvas : public VtxCanvas {
public:
    static constexpr int kSurfaceWidth = 640;
    static constexpr int kSurfaceHeight = 500;

    // Both surfaces start black.
    explicit VtxImageCanvas(int width = 640, int height = 500);

    // The canvas size used by later drawing (clamped to the surface size).
    void SetSize(int width, int height);
    int Height() const { return h_; }

    const QImage& Visible() const { return visible_; }
    const QImage& Offscreen() const { return off_; }
    // The picture: the off-screen copy's top-left W x H pixels.
    QImage Picture() const;
    // The part of the visible surface changed since the last call.
    QRect TakeDirty();

    // The system beep; nothing happens without a handler (the window installs
    // one that honours the application's bell setting).
    void SetBeepHandler(std::function<void()> beep) { beep_ = std::move(beep); }
    // The wait opcode. By default: busy cursor, block, restore the cursor.
    void SetPauseHandler(std::function<void(int)> pause) { pause_ = std::move(pause); }

    int Width() const override { return w_; }
    void Point(const VtxState& st, VtxPoint p) override;
    void Line(const VtxState& st, VtxPoint a, VtxPoint b) override;
    void Rect(const VtxState& st, VtxPoint a, VtxPoint b, bool filled) override;
    void Arc(const VtxState& st, VtxPoint start, VtxPoint mid, VtxPoint end,
             bool filled) override;
    void Polygon(const VtxState& st, int count, bool filled) override;
    void Text(const VtxState& st, uint16_t code, bool twoByte) override;
    void Clear(const VtxState& st, VtxRgb colour) override;
    void RebuildFonts(const VtxState& st) override;
    void Beep() override;
    void Pause(int milliseconds) override;

private:
    struct Font {
        QFont font;
        int ascent = 0;
        int top = 0;  // offset of the glyph box below the cell top
        bool usable = false;
    };

    int Px(double x) const;
    int Py(double y) const;
    QPen OutlinePen(const VtxState& st) const;
    QPen BorderPen(const VtxState& st) const;
    QBrush Interior(const VtxState& st) const;
    // Runs draw on the visible surface and the off-screen copy; bounds is
    // the pixel box the drawing may touch.
    template <class Draw>
    void OnBoth(const QRect& bounds, Draw draw);
    // Paints a filled shape off-screen only, then copies its box (widened by
    // the pel size and a margin for the border pen) to the visible surface.
    template <class Draw>
    void FillOffscreen(const VtxState& st, const QRect& bounds, Draw draw);
    // An outlined shape on both surfaces, or a filled one off-screen and
    // copied; shape draws the geometry with the pen and brush already set.
    template <class Shape>
    void DrawShape(const VtxState& st, const QRect& box, bool filled, Shape shape);
    void CopyToVisible(QRect box);
    void Touch(const QRect& r);
    void MakeFont(Font& f, int height, int latinWidth, bool underline) const;

    QImage visible_;
    QImage off_;
    int w_;
    int h_;
    QRect dirty_;
    Font single_;
    Font double_;
    bool fontsBuilt_ = false;
    std::function<void()> beep_;
    std::function<void(int)> pause_;
};

}  // namespace velo

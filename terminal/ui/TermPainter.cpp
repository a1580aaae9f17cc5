#include "terminal/ui/TermPainter.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/TermText.h"
#include "terminal/ui/TermView.h"

namespace velo {

namespace {

constexpr int kFrameMs = 16;  // damage is drawn at most this often under a flood

QRgb ToRgb(const Rgb& c) { return qRgb(c.r, c.g, c.b); }

bool IsLineLetter(uint8_t b)
{
    switch (b) {
    case 'j': case 'k': case 'l': case 'm': case 'q':
    case 't': case 'u': case 'v': case 'w': case 'x':
        return true;
    default:
        return false;
    }
}

// The 8x8 patterns of block glyphs 1..3, two rows repeating; set bits show
// the background colour, clear bits the text colour.
constexpr uint8_t kPatterns[3][2] = {
    {0b00100010, 0b10001000},
    {0b00110011, 0b11001100},
    {0b01010101, 0b10101010},
};

QImage PatternImage(int which, QRgb t, QRgb k)
{
    QImage img(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        uint8_t bits = kPatterns[which][y & 1];
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < 8; ++x)
            line[x] = (bits & (0x80 >> x)) ? k : t;
    }
    return img;
}

}  // namespace

TermPainter::TermPainter(CAnsiTerm& window, Terminal& term, const TermSelection& selection)
    : w_(window), term_(term), sel_(selection)
{
    renderTimer_.setSingleShot(true);
    QObject::connect(&renderTimer_, &QTimer::timeout, &w_, [this] { RenderNow(); });
    blinkTimer_.setInterval(700);
    QObject::connect(&blinkTimer_, &QTimer::timeout, &w_, [this] { BlinkTick(); });
    blinkTimer_.start();
    caretTimer_.setInterval(500);
    QObject::connect(&caretTimer_, &QTimer::timeout, &w_, [this] {
        caretOn_ = !caretOn_;
        w_.update(caretRect_);
    });
}

// ---- fonts and geometry ----------------------------------------------------

void TermPainter::MakeFonts(const LogFontFields& font)
{
    fonts_.Make(font);
    cw_ = fonts_.CellWidth();
    ch_ = fonts_.CellHeight();
    ascent_ = fonts_.Ascent();
}

QRect TermPainter::CellArea() const { return QRect(0, 0, term_.Columns() * cw_, term_.Rows() * ch_); }

QColor TermPainter::Background() const { return QColor::fromRgb(ToRgb(kPalette[size_t(term_.DefaultBg())])); }

void TermPainter::ResizeBacking()
{
    QSize s(term_.Columns() * cw_, term_.Rows() * ch_);
    if (backing_.size() != s) {
        backing_ = QImage(s, QImage::Format_RGB32);
        backing_.fill(ToRgb(kPalette[size_t(term_.DefaultBg())]));
        if (!overlay_.isNull()) {
            overlay_ = QImage(s, QImage::Format_ARGB32_Premultiplied);
            overlay_.fill(Qt::transparent);
        }
    }
    overlayUsed_ = false;
    if (!overlay_.isNull())
        overlay_.fill(Qt::transparent);
}

// ---- colours and blink -----------------------------------------------------

void TermPainter::CellColours(const CellAttr& a, bool blinkOff, bool selected, QRgb* text, QRgb* back)
{
    int f = a.fg & 15, b = a.bg & 15;
    QRgb t = ToRgb(kPalette[size_t((a.flags & kBold) && f < 8 ? f + 8 : f)]);
    QRgb k = (a.flags & kConcealed) ? t : ToRgb(kPalette[size_t(b)]);
    if (a.flags & kReverse)
        std::swap(t, k);
    if ((a.flags & kBlink) && blinkOff) {
        if (a.flags & kReverse)
            std::swap(t, k);
        else
            t = qRgb(qRed(t) * 6 / 10, qGreen(t) * 6 / 10, qBlue(t) * 6 / 10);
    }
    if (selected) {
        t ^= 0xFFFFFF;
        k ^= 0xFFFFFF;
    }
    *text = t | 0xFF000000;
    *back = k | 0xFF000000;
}

void TermPainter::SetBlinkPhase(bool on)
{
    if (blinkOn_ == on)
        return;
    blinkOn_ = !on;
    BlinkTick();
}

// ---- damage and drawing ----------------------------------------------------

void TermPainter::MarkRowDirty(int row, int lo, int hi)
{
    if (row < 0 || row >= term_.Rows())
        return;
    Span& s = dirty_[size_t(row)];
    s.lo = std::min(s.lo, std::max(0, lo));
    s.hi = std::max(s.hi, std::min(term_.Columns() - 1, hi));
    anyDirty_ = true;
}

void TermPainter::MarkAllDirty()
{
    for (int r = 0; r < term_.Rows(); ++r)
        MarkRowDirty(r, 0, term_.Columns() - 1);
}

bool TermPainter::Scroll(int top, int bottom, int n)
{
    int rows = term_.Rows();
    top = std::max(0, top);
    bottom = std::min(rows - 1, bottom);
    int height = bottom - top + 1;
    if (n == 0 || height <= 0)
        return false;
    int an = n > 0 ? n : -n;
    if (an >= height) {
        for (int r = top; r <= bottom; ++r)
            MarkRowDirty(r, 0, term_.Columns() - 1);
        if (overlayUsed_) {
            QPainter o(&overlay_);
            o.setCompositionMode(QPainter::CompositionMode_Clear);
            o.fillRect(QRect(0, top * ch_, overlay_.width(), height * ch_), Qt::transparent);
        }
        pendingUpdate_ += QRect(0, top * ch_, term_.Columns() * cw_, height * ch_);
        return false;
    }
    // Pixels move only when some row of the region would keep its pixels.
    bool allDirty = true;
    for (int r = top; r <= bottom && allDirty; ++r) {
        const Span& s = dirty_[size_t(r)];
        allDirty = s.lo == 0 && s.hi >= term_.Columns() - 1;
    }
    auto moveRows = [&](QImage& img) {
        qsizetype bpl = img.bytesPerLine();
        int keep = (height - an) * ch_;
        uchar* base = img.bits();
        if (n > 0)
            std::memmove(base + qsizetype(top * ch_) * bpl, base + qsizetype((top + an) * ch_) * bpl,
                         size_t(keep) * size_t(bpl));
        else
            std::memmove(base + qsizetype((top + an) * ch_) * bpl, base + qsizetype(top * ch_) * bpl,
                         size_t(keep) * size_t(bpl));
    };
    if (!allDirty)
        moveRows(backing_);
    if (overlayUsed_) {
        moveRows(overlay_);
        QPainter p(&overlay_);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        int exposedTop = n > 0 ? bottom - an + 1 : top;
        p.fillRect(QRect(0, exposedTop * ch_, overlay_.width(), an * ch_), Qt::transparent);
    }
    // Pending damage moves with the rows it belongs to.
    if (n > 0) {
        for (int r = top; r <= bottom - an; ++r)
            dirty_[size_t(r)] = dirty_[size_t(r + an)];
        for (int r = bottom - an + 1; r <= bottom; ++r)
            dirty_[size_t(r)] = Span{0, term_.Columns() - 1};
    } else {
        for (int r = bottom; r >= top + an; --r)
            dirty_[size_t(r)] = dirty_[size_t(r - an)];
        for (int r = top; r < top + an; ++r)
            dirty_[size_t(r)] = Span{0, term_.Columns() - 1};
    }
    anyDirty_ = true;
    pendingUpdate_ += QRect(0, top * ch_, term_.Columns() * cw_, height * ch_);
    return true;
}

void TermPainter::ScheduleRender()
{
    if (!anyDirty_ && pendingUpdate_.isEmpty())
        return;
    // At most one drawing per display frame, and under a flood no more than
    // a fifth of the time spent drawing.
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 since = now - lastRender_;
    qint64 interval = std::max<qint64>(kFrameMs, 4 * lastRenderCost_);
    if (since >= interval) {
        RenderNow();
    } else if (!renderTimer_.isActive()) {
        renderTimer_.start(int(interval - since));
    }
}

void TermPainter::RenderNow()
{
    renderTimer_.stop();
    QElapsedTimer cost;
    cost.start();
    if (anyDirty_) {
        QPainter p(&backing_);
        for (int r = 0; r < term_.Rows(); ++r) {
            Span& s = dirty_[size_t(r)];
            if (s.Empty())
                continue;
            int lo = s.lo, hi = s.hi;
            s = Span{};
            RenderRow(p, r, lo, hi);
        }
        anyDirty_ = false;
    }
    if (!pendingUpdate_.isEmpty()) {
        if (!w_.Frozen())
            w_.update(pendingUpdate_);
        pendingUpdate_ = QRegion();
    }
    UpdateCaretRect();
    lastRenderCost_ = cost.elapsed();
    lastRender_ = QDateTime::currentMSecsSinceEpoch();
}

void TermPainter::RenderRow(QPainter& p, int row, int lo, int hi)
{
    const int cols = term_.Columns();
    const ScreenLine& line = term_.Line(row);
    termtext::WidenToPairs(line.text, cols, &lo, &hi);
    if (lo > hi)
        return;
    const bool doubled = line.size != LineSize::Single;
    int selFrom = 1, selTo = 0;
    if (sel_.shown)
        sel_.RowRange(LiveHistoryBase(term_) + row, cols, &selFrom, &selTo);

    QRect band(0, row * ch_, cols * cw_, ch_);
    p.save();
    p.setClipRect(band);
    p.translate(0, row * ch_);
    DrawLine(p, line, term_.Attrs(row), lo, hi, selFrom, selTo, !blinkOn_);
    p.restore();
    int x0 = doubled ? lo * 2 * cw_ : lo * cw_;
    int x1 = doubled ? (hi + 1) * 2 * cw_ : (hi + 1) * cw_;
    if (overlayUsed_) {
        // Shapes under cells drawn again are gone.
        QPainter o(&overlay_);
        o.setCompositionMode(QPainter::CompositionMode_Clear);
        o.fillRect(QRect(x0, row * ch_, x1 - x0, ch_), Qt::transparent);
    }
    pendingUpdate_ += QRect(x0, row * ch_, x1 - x0, ch_) & band;
}

namespace {
int FontIndex(const CellAttr& a) { return ((a.flags & kItalic) ? 2 : 0) | ((a.flags & kUnderline) ? 1 : 0); }
}  // namespace

void TermPainter::DrawLine(QPainter& p, const ScreenLine& line, const CellAttr* attrs, int lo, int hi,
                           int selFrom, int selTo, bool blinkOff)
{
    const int cols = term_.Columns();
    const LineSize size = line.size;
    if (size != LineSize::Single) {
        // Double width: columns doubled; double height: the glyphs twice as
        // tall, the bottom half showing the lower half of the same text.
        if (size == LineSize::DoubleBottom)
            p.translate(0, -ch_);
        p.scale(2, size == LineSize::DoubleWidth ? 1 : 2);
    }
    const hangul::DisplayCode code = term_.DisplayCode();
    auto look = [&](int c, QRgb* t, QRgb* k) {
        CellColours(attrs[c], blinkOff, c >= selFrom && c < selTo, t, k);
        return FontIndex(attrs[c]);
    };
    QString run;
    int c = lo;
    while (c <= hi) {
        const uint8_t b = line.text[c];
        QRgb t, k;
        const int fi = look(c, &t, &k);
        if (b >= 0x80) {
            if (c + 1 >= cols) {
                p.fillRect(QRect(c * cw_, 0, cw_, ch_), QColor::fromRgb(k));
                ++c;
                continue;
            }
            hangul::Glyph g = hangul::DisplayPair(b, line.text[c + 1], code);
            if (g.kind == hangul::Glyph::Block) {
                DrawBlock(p, QRect(c * cw_, 0, 2 * cw_, ch_), g.block, t, k);
                c += 2;
                continue;
            }
            if (g.kind != hangul::Glyph::Text) {
                // No conversion: two blanks.
                fonts_.DrawNarrow(p, QRect(c * cw_, 0, 2 * cw_, ch_), QStringLiteral("  "), t, k, fi);
                c += 2;
                continue;
            }
            // A run of double-byte characters of one look, two cells each.
            const int start = c;
            run.clear();
            while (c <= hi && c + 1 < cols && line.text[c] >= 0x80) {
                hangul::Glyph h = hangul::DisplayPair(line.text[c], line.text[c + 1], code);
                if (h.kind != hangul::Glyph::Text)
                    break;
                if (c != start) {
                    QRgb t2, k2;
                    if (look(c, &t2, &k2) != fi || t2 != t || k2 != k)
                        break;
                }
                char32_t ch = h.ch;
                run.append(QString::fromUcs4(&ch, 1));
                c += 2;
            }
            fonts_.DrawWide(p, QRect(start * cw_, 0, (c - start) * cw_, ch_), run, t, k, fi);
            continue;
        }
        if ((attrs[c].flags & kLineDrawing) && IsLineLetter(b)) {
            DrawLineGlyph(p, QRect(c * cw_, 0, cw_, ch_), b, t, k);
            ++c;
            continue;
        }
        // A run of single-byte cells of one look goes out as one string.
        const int start = c;
        run.clear();
        while (c <= hi) {
            const uint8_t x = line.text[c];
            if (x >= 0x80 || ((attrs[c].flags & kLineDrawing) && IsLineLetter(x)))
                break;
            if (c != start) {
                QRgb t2, k2;
                if (look(c, &t2, &k2) != fi || t2 != t || k2 != k)
                    break;
            }
            run.append(QLatin1Char(x < 0x20 || x == 0x7F ? ' ' : char(x)));
            ++c;
        }
        fonts_.DrawNarrow(p, QRect(start * cw_, 0, (c - start) * cw_, ch_), run, t, k, fi);
    }
}

void TermPainter::DrawBlock(QPainter& p, const QRect& r, int block, QRgb t, QRgb k)
{
    QColor tc = QColor::fromRgb(t), kc = QColor::fromRgb(k);
    int halfH = (r.height()) / 2, halfW = (r.width()) / 2;
    switch (block) {
    case 1:
    case 2:
    case 3: {
        QBrush brush(PatternImage(block - 1, t, k));
        p.fillRect(r, brush);
        break;
    }
    case 4:
        p.fillRect(r, tc);
        break;
    case 5:  // lower half
        p.fillRect(QRect(r.left(), r.top(), r.width(), halfH), kc);
        p.fillRect(QRect(r.left(), r.top() + halfH, r.width(), r.height() - halfH), tc);
        break;
    case 6:  // left half
        p.fillRect(QRect(r.left(), r.top(), halfW, r.height()), tc);
        p.fillRect(QRect(r.left() + halfW, r.top(), r.width() - halfW, r.height()), kc);
        break;
    case 7:  // right half
        p.fillRect(QRect(r.left(), r.top(), halfW, r.height()), kc);
        p.fillRect(QRect(r.left() + halfW, r.top(), r.width() - halfW, r.height()), tc);
        break;
    case 8:  // upper half
        p.fillRect(QRect(r.left(), r.top(), r.width(), halfH), tc);
        p.fillRect(QRect(r.left(), r.top() + halfH, r.width(), r.height() - halfH), kc);
        break;
    default:
        p.fillRect(r, kc);
        break;
    }
}

void TermPainter::DrawLineGlyph(QPainter& p, const QRect& r, uint8_t letter, QRgb t, QRgb k)
{
    p.fillRect(r, QColor::fromRgb(k));
    QPen pen(QColor::fromRgb(t));
    pen.setWidth(0);  // cosmetic: one pixel at any scale
    p.setPen(pen);
    int cx = r.left() + r.width() / 2, cy = r.top() + r.height() / 2;
    QPoint c(cx, cy), left(r.left(), cy), right(r.right() + 1, cy), up(cx, r.top()),
        down(cx, r.bottom() + 1);
    bool l = false, rt = false, u = false, d = false;
    switch (letter) {
    case 'j': l = u = true; break;             // ┘
    case 'k': l = d = true; break;             // ┐
    case 'l': rt = d = true; break;            // ┌
    case 'm': rt = u = true; break;            // └
    case 'q': l = rt = true; break;            // ─
    case 't': u = d = rt = true; break;        // ├
    case 'u': u = d = l = true; break;         // ┤
    case 'v': l = rt = u = true; break;        // ┴
    case 'w': l = rt = d = true; break;        // ┬
    case 'x': u = d = true; break;             // │
    }
    if (l) p.drawLine(c, left);
    if (rt) p.drawLine(c, right);
    if (u) p.drawLine(c, up);
    if (d) p.drawLine(c, down);
}

void TermPainter::Shape(const TermShape& s)
{
    // The picture first, so the shape lands on what the cells show now and
    // no older damage is drawn over it later.
    RenderNow();
    if (overlay_.isNull() || overlay_.size() != backing_.size()) {
        overlay_ = QImage(backing_.size(), QImage::Format_ARGB32_Premultiplied);
        overlay_.fill(Qt::transparent);
    }
    overlayUsed_ = true;
    QPainter p(&overlay_);
    QPen pen(QColor::fromRgb(ToRgb(kPalette[s.pen & 15])));
    pen.setWidth(0);
    p.setPen(pen);
    QColor fill = QColor::fromRgb(ToRgb(kPalette[s.fill & 15]));
    QRect box(QPoint(s.left, s.top), QPoint(s.right - 1, s.bottom - 1));
    switch (s.kind) {
    case TermShape::Rect:
        p.drawRect(box.adjusted(0, 0, -1, -1));
        break;
    case TermShape::FilledRect:
        p.fillRect(box, fill);
        break;
    case TermShape::Ellipse:
        p.drawEllipse(box);
        break;
    case TermShape::FilledEllipse:
        p.setBrush(fill);
        p.drawEllipse(box);
        break;
    case TermShape::Line:
        p.drawLine(s.left, s.top, s.right, s.bottom);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        break;
    case TermShape::Pixel:
        p.drawPoint(s.left, s.top);
        break;
    case TermShape::Arc:
        p.drawArc(box, int(s.startDeg * 16), int(s.spanDeg * 16));
        break;
    }
    w_.update(box.adjusted(-1, -1, 1, 1));
}

void TermPainter::BlinkTick()
{
    blinkOn_ = !blinkOn_;
    for (int r = 0; r < term_.Rows(); ++r) {
        const ScreenLine& line = term_.Line(r);
        if (line.size != LineSize::Single) {
            MarkRowDirty(r, 0, term_.Columns() - 1);
            continue;
        }
        const CellAttr* a = term_.Attrs(r);
        for (int c = 0; c < term_.Columns(); ++c)
            if (a[c].flags & kBlink)
                MarkRowDirty(r, c, c);
    }
    ScheduleRender();
}

// ---- caret -----------------------------------------------------------------

void TermPainter::CaretShape(CaretKind shape, bool blink)
{
    caretShape_ = shape;
    caretBlink_ = blink;
    caretOn_ = true;
    if (blink && w_.hasFocus())
        caretTimer_.start();
    else
        caretTimer_.stop();
    UpdateCaretRect();
}

void TermPainter::UpdateCaretRect()
{
    QRect old = caretRect_;
    QRect r;
    if (caretShape_ != CaretKind::None && !w_.Frozen()) {
        int row = term_.CursorRow();
        int col = term_.CursorColumn();
        if (row >= 0 && row < term_.Rows() && term_.Line(row).size != LineSize::Single)
            col = term_.PlaceCaretColumn() * 2;
        int x = col * cw_;
        if (caretShape_ == CaretKind::Underline) {
            int h = cw_ <= 7 ? 1 : std::max(1, ch_ / 8);
            r = QRect(x, (row + 1) * ch_ - h, cw_, h);
        } else {
            r = QRect(x, row * ch_, cw_, ch_);
        }
    }
    if (r != old) {
        caretRect_ = r;
        w_.update(old);
        w_.update(r);
    }
}

void TermPainter::FocusIn()
{
    caretOn_ = true;
    if (caretBlink_)
        caretTimer_.start();
    UpdateCaretRect();
    w_.update(caretRect_);
}

void TermPainter::FocusOut()
{
    caretTimer_.stop();
    w_.update(caretRect_);
}

// ---- painting the window ---------------------------------------------------

void TermPainter::PaintLive(QPainter& p, const QRect& clip)
{
    p.drawImage(clip.topLeft(), backing_, clip);
    if (overlayUsed_)
        p.drawImage(clip.topLeft(), overlay_, clip);
}

void TermPainter::PaintCaret(QPainter& p)
{
    if (w_.hasFocus() && caretShape_ != CaretKind::None && (caretOn_ || !caretBlink_) &&
        !caretRect_.isEmpty())
        p.fillRect(caretRect_, Qt::white);
}

void TermPainter::PaintView(QPainter& p, const QRect& clip, int viewTop)
{
    // The kept lines as they were shown: their colours, attributes and line
    // sizes; blinking cells hold still in their visible phase.
    const int cols = term_.Columns();
    const QColor back = Background();
    int firstRow = clip.top() / ch_, lastRow = std::min(term_.Rows() - 1, clip.bottom() / ch_);
    for (int i = firstRow; i <= lastRow; ++i) {
        int h = viewTop + i;
        QRect band(0, i * ch_, cols * cw_, ch_);
        if (h < 0 || h >= term_.LinesUsed()) {
            p.fillRect(band, back);
            continue;
        }
        int selFrom = 1, selTo = 0;
        if (sel_.shown)
            sel_.RowRange(h, cols, &selFrom, &selTo);
        p.save();
        p.setClipRect(band);
        p.translate(0, i * ch_);
        DrawLine(p, term_.HistoryLine(h), term_.HistoryAttrs(h), 0, cols - 1, selFrom, selTo, false);
        p.restore();
    }
}

}  // namespace velo

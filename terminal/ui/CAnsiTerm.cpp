#include "terminal/ui/CAnsiTerm.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGlyphRun>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/KeyIndex.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"

namespace velo {

namespace {

constexpr int kFrameMs = 16;  // damage is drawn at most this often under a flood
constexpr char kFallbackFace[] = "NanumGothicCoding";

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

std::string FromQString(const QString& s)
{
    QByteArray u = s.toUtf8();
    return std::string(u.constData(), size_t(u.size()));
}

}  // namespace

CAnsiTerm::CAnsiTerm(const Outlets& out, ConnFacade& conn, TermHost& host, QWidget* parent)
    : QWidget(parent), out_(out), flags_(out.flags), conn_(conn), host_(host), term_(out)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    bar_ = new QScrollBar(Qt::Vertical, this);
    bar_->setFocusPolicy(Qt::NoFocus);
    connect(bar_, &QScrollBar::valueChanged, this, &CAnsiTerm::OnScrollBar);

    term_.SetSurface(this);
    term_.SetReplySink(this);

    renderTimer_ = new QTimer(this);
    renderTimer_->setSingleShot(true);
    connect(renderTimer_, &QTimer::timeout, this, &CAnsiTerm::RenderNow);
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(700);
    connect(blinkTimer_, &QTimer::timeout, this, &CAnsiTerm::BlinkTick);
    blinkTimer_->start();
    caretTimer_ = new QTimer(this);
    caretTimer_->setInterval(500);
    connect(caretTimer_, &QTimer::timeout, this, [this] {
        caretOn_ = !caretOn_;
        update(caretRect_);
    });
    autoScroll_ = new QTimer(this);
    autoScroll_->setInterval(10);
    connect(autoScroll_, &QTimer::timeout, this, &CAnsiTerm::AutoScrollTick);

    flags_.TermShared.PictureMode = false;
    SetTermFont(LogFontFields::Read(out_.settings));
    SetTitle(false);
}

CAnsiTerm::~CAnsiTerm()
{
    term_.SetSurface(nullptr);
    term_.SetReplySink(nullptr);
    term_.SetMusic(nullptr);
}

// ---- fonts and geometry ----------------------------------------------------

void CAnsiTerm::SetTermFont(const LogFontFields& f)
{
    font_ = f;
    // The description keeps no per-cell styles of its own.
    font_.width = font_.escapement = font_.orientation = 0;
    font_.italic = font_.underline = font_.strikeOut = 0;
    MakeFonts();
    term_.SetCellSize(cw_, ch_);
    ResizeBacking();
    updateGeometry();
    MarkAllDirty();
    RenderNow();
}

void CAnsiTerm::MakeFonts()
{
    QString face = QString::fromUtf8(font_.faceName.c_str());
    if (face.isEmpty() || !QFontDatabase::families().contains(face))
        face = QString::fromLatin1(kFallbackFace);
    int px = font_.height < 0 ? -font_.height : font_.height;
    if (px < 6)
        px = 16;
    for (int i = 0; i < 4; ++i) {
        QFont f(face);
        f.setPixelSize(px);
        f.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
        f.setFixedPitch(true);
        f.setKerning(false);
        f.setHintingPreference(QFont::PreferFullHinting);
        f.setWeight(font_.weight >= 600 ? QFont::Bold : QFont::Normal);
        f.setItalic(i & 2);
        f.setUnderline(i & 1);
        fonts_[size_t(i)] = f;
    }
    for (int i = 0; i < 4; ++i) {
        GlyphFont& g = glyphs_[size_t(i)];
        g.raw = QRawFont::fromFont(fonts_[size_t(i)]);
        g.ascii.fill(0);
        g.other.clear();
        if (g.raw.isValid()) {
            QString printable;
            for (char c = 0x20; c < 0x7F; ++c)
                printable.append(QLatin1Char(c));
            QList<quint32> found = g.raw.glyphIndexesForString(printable);
            for (qsizetype k = 0; k < found.size() && k < 95; ++k)
                g.ascii[size_t(0x20 + k)] = found[k];
        }
    }
    QFontMetrics fm(fonts_[0]);
    cw_ = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    ch_ = std::max(1, fm.height());
    ascent_ = fm.ascent();
}

QSize CAnsiTerm::sizeHint() const
{
    int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return QSize(term_.Columns() * cw_ + sb, term_.Rows() * ch_);
}

void CAnsiTerm::ResizeBacking()
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

void CAnsiTerm::resizeEvent(QResizeEvent*)
{
    int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    bar_->setGeometry(width() - sb, 0, sb, height());
}

void CAnsiTerm::SetScreenSize(int columns, int rows)
{
    term_.Resize(columns, rows);
}

void CAnsiTerm::Resized(int, int)
{
    ResizeBacking();
    MarkAllDirty();
    updateGeometry();
    UpdateScrollBar();
}

void CAnsiTerm::SetDefaultColours(int fg, int bg)
{
    term_.SetDefaultColours(fg, bg);
    MarkAllDirty();
    RenderNow();
    update();
}

void CAnsiTerm::SetMusic(AnsiMusic* music)
{
    music_ = music;
    term_.SetMusic(music);
}

// ---- colours ---------------------------------------------------------------

void CAnsiTerm::CellColours(const CellAttr& a, bool blinkOff, bool selected, QRgb* text, QRgb* back)
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

void CAnsiTerm::SetBlinkPhase(bool on)
{
    if (blinkOn_ == on)
        return;
    blinkOn_ = !on;
    BlinkTick();
}

// ---- damage and drawing ----------------------------------------------------

QRect CAnsiTerm::RowRect(int row) const { return QRect(0, row * ch_, term_.Columns() * cw_, ch_); }

void CAnsiTerm::MarkRowDirty(int row, int lo, int hi)
{
    if (row < 0 || row >= term_.Rows())
        return;
    Span& s = dirty_[size_t(row)];
    s.lo = std::min(s.lo, std::max(0, lo));
    s.hi = std::max(s.hi, std::min(term_.Columns() - 1, hi));
    anyDirty_ = true;
}

void CAnsiTerm::MarkAllDirty()
{
    for (int r = 0; r < term_.Rows(); ++r)
        MarkRowDirty(r, 0, term_.Columns() - 1);
}

void CAnsiTerm::Damage(int row, int first, int last) { MarkRowDirty(row, first, last); }

void CAnsiTerm::Scroll(int top, int bottom, int n)
{
    int rows = term_.Rows();
    top = std::max(0, top);
    bottom = std::min(rows - 1, bottom);
    int height = bottom - top + 1;
    if (n == 0 || height <= 0)
        return;
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
        return;
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
    if (hot_.Valid())
        DropHotSpot();
}

void CAnsiTerm::ScheduleRender()
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
    } else if (!renderTimer_->isActive()) {
        renderTimer_->start(int(interval - since));
    }
}

void CAnsiTerm::RenderNow()
{
    renderTimer_->stop();
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
        if (!Frozen())
            update(pendingUpdate_);
        pendingUpdate_ = QRegion();
    }
    UpdateCaretRect();
    lastRenderCost_ = cost.elapsed();
    lastRender_ = QDateTime::currentMSecsSinceEpoch();
}

void CAnsiTerm::RenderRow(QPainter& p, int row, int lo, int hi)
{
    const int cols = term_.Columns();
    const ScreenLine& line = term_.Line(row);
    const CellAttr* attrs = term_.Attrs(row);
    termtext::WidenToPairs(line.text, cols, &lo, &hi);
    if (lo > hi)
        return;
    const LineSize size = line.size;
    const bool doubled = size != LineSize::Single;
    const int hist = LiveHistoryBase() + row;
    int selFrom = 1, selTo = 0;
    if (selShown_)
        SelectionRowRange(hist, &selFrom, &selTo);
    const bool blinkOff = !blinkOn_;

    QRect band = RowRect(row);
    p.save();
    p.setClipRect(band);
    p.translate(0, row * ch_);
    if (doubled) {
        // Double width: columns doubled; double height: the glyphs twice as
        // tall, the bottom half showing the lower half of the same text.
        if (size == LineSize::DoubleBottom)
            p.translate(0, -ch_);
        p.scale(2, size == LineSize::DoubleWidth ? 1 : 2);
    }
    QString run;
    int c = lo;
    while (c <= hi) {
        uint8_t b = line.text[c];
        bool sel = c >= selFrom && c < selTo;
        QRgb t, k;
        if (b >= 0x80) {
            CellColours(attrs[c], blinkOff, sel, &t, &k);
            if (c + 1 >= cols) {
                p.fillRect(QRect(c * cw_, 0, cw_, ch_), QColor::fromRgb(k));
                ++c;
                continue;
            }
            QRect r(c * cw_, 0, 2 * cw_, ch_);
            hangul::Glyph g = hangul::DisplayPair(b, line.text[c + 1], term_.DisplayCode());
            int fi = ((attrs[c].flags & kItalic) ? 2 : 0) | ((attrs[c].flags & kUnderline) ? 1 : 0);
            if (g.kind == hangul::Glyph::Text) {
                char32_t ch = g.ch;
                DrawCellText(p, r, QString::fromUcs4(&ch, 1), t, k, fi, doubled);
            } else if (g.kind == hangul::Glyph::Block) {
                DrawBlock(p, r, g.block, t, k);
            } else {
                p.fillRect(r, QColor::fromRgb(k));
                if (attrs[c].flags & kUnderline)
                    DrawCellText(p, r, QStringLiteral("  "), t, k, fi, doubled);
            }
            c += 2;
            continue;
        }
        if ((attrs[c].flags & kLineDrawing) && IsLineLetter(b)) {
            CellColours(attrs[c], blinkOff, sel, &t, &k);
            DrawLineGlyph(p, QRect(c * cw_, 0, cw_, ch_), b, t, k);
            ++c;
            continue;
        }
        // A run of single-byte cells of one look goes out as one string.
        CellColours(attrs[c], blinkOff, sel, &t, &k);
        int fi = ((attrs[c].flags & kItalic) ? 2 : 0) | ((attrs[c].flags & kUnderline) ? 1 : 0);
        int start = c;
        run.clear();
        while (c <= hi) {
            uint8_t x = line.text[c];
            if (x >= 0x80 || ((attrs[c].flags & kLineDrawing) && IsLineLetter(x)))
                break;
            if (c != start) {
                bool s2 = c >= selFrom && c < selTo;
                QRgb t2, k2;
                CellColours(attrs[c], blinkOff, s2, &t2, &k2);
                int f2 = ((attrs[c].flags & kItalic) ? 2 : 0) | ((attrs[c].flags & kUnderline) ? 1 : 0);
                if (t2 != t || k2 != k || f2 != fi)
                    break;
            }
            run.append(QLatin1Char(x < 0x20 || x == 0x7F ? ' ' : char(x)));
            ++c;
        }
        DrawCellText(p, QRect(start * cw_, 0, (c - start) * cw_, ch_), run, t, k, fi, doubled);
    }
    p.restore();
    if (overlayUsed_) {
        // Shapes under cells drawn again are gone.
        QPainter o(&overlay_);
        o.setCompositionMode(QPainter::CompositionMode_Clear);
        int x0 = doubled ? lo * 2 * cw_ : lo * cw_;
        int x1 = doubled ? (hi + 1) * 2 * cw_ : (hi + 1) * cw_;
        o.fillRect(QRect(x0, row * ch_, x1 - x0, ch_), Qt::transparent);
    }
    int x0 = doubled ? lo * 2 * cw_ : lo * cw_;
    int x1 = doubled ? (hi + 1) * 2 * cw_ : (hi + 1) * cw_;
    pendingUpdate_ += QRect(x0, row * ch_, x1 - x0, ch_) & band;
}

bool CAnsiTerm::GlyphIndexes(int fontIndex, const QString& s, QVarLengthArray<quint32, 160>* out)
{
    GlyphFont& g = glyphs_[size_t(fontIndex)];
    if (!g.raw.isValid())
        return false;
    out->clear();
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s.at(i).unicode();
        if (s.at(i).isHighSurrogate() && i + 1 < s.size()) {
            c = QChar::surrogateToUcs4(s.at(i), s.at(i + 1));
            ++i;
        }
        quint32 index = 0;
        if (c >= 0x20 && c < 0x7F) {
            index = g.ascii[c];
        } else {
            auto it = g.other.constFind(c);
            if (it == g.other.constEnd()) {
                QList<quint32> found = g.raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
                index = found.size() == 1 ? found.first() : 0;
                // The cache stays small: a screen holds at most a few
                // thousand distinct characters.
                if (g.other.size() < 20000)
                    g.other.insert(c, index);
            } else {
                index = *it;
            }
        }
        if (index == 0)
            return false;  // not in this face: the font fallback draws it
        out->append(index);
    }
    return true;
}

void CAnsiTerm::DrawCellText(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k,
                             int fontIndex, bool)
{
    p.fillRect(r, QColor::fromRgb(k));
    bool blank = true;
    for (QChar c : s)
        if (c != QLatin1Char(' ')) {
            blank = false;
            break;
        }
    if (blank && !(fontIndex & 1))
        return;
    p.setPen(QColor::fromRgb(t));
    // Glyphs placed cell by cell from a per-face index table: no text
    // shaping on the hot path. Italic faces go through the text path, which
    // slants a face that has no italic of its own.
    QVarLengthArray<quint32, 160> idx;
    if (!(fontIndex & 2) && GlyphIndexes(fontIndex, s, &idx)) {
        QVarLengthArray<QPointF, 160> pos;
        pos.resize(idx.size());
        for (qsizetype i = 0; i < idx.size(); ++i)
            pos[i] = QPointF(qreal(i * cw_), qreal(ascent_));
        QGlyphRun run;
        run.setRawFont(glyphs_[size_t(fontIndex)].raw);
        run.setRawData(idx.constData(), pos.constData(), int(idx.size()));
        run.setUnderline(fontIndex & 1);
        p.drawGlyphRun(QPointF(r.left(), r.top()), run);
        return;
    }
    p.setFont(fonts_[size_t(fontIndex)]);
    if (s.size() == 1 || s.at(0).isHighSurrogate() || s.at(0).unicode() >= 0x80) {
        p.drawText(r.left(), r.top() + ascent_, s);
        return;
    }
    // Each character in its own cell, whatever the face's advances are.
    for (qsizetype i = 0; i < s.size(); ++i)
        p.drawText(r.left() + int(i) * cw_, r.top() + ascent_, QString(s.at(i)));
}

void CAnsiTerm::DrawBlock(QPainter& p, const QRect& r, int block, QRgb t, QRgb k)
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

void CAnsiTerm::DrawLineGlyph(QPainter& p, const QRect& r, uint8_t letter, QRgb t, QRgb k)
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

void CAnsiTerm::Shape(const TermShape& s)
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
    update(box.adjusted(-1, -1, 1, 1));
}

void CAnsiTerm::BlinkTick()
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

void CAnsiTerm::RedrawAll()
{
    MarkAllDirty();
    RenderNow();
    update();
}

void CAnsiTerm::AfterModelChange()
{
    term_.FlushDamage();
    RenderNow();
    UpdateScrollBar();
}

void CAnsiTerm::SetAutowrap(bool on)
{
    if (term_.Autowrap() == on)
        return;
    // The engine takes its modes from the stream: CSI 7 h / CSI 7 l.
    const char* seq = on ? "\x1b[7h" : "\x1b[7l";
    term_.Feed(reinterpret_cast<const uint8_t*>(seq), int(std::strlen(seq)));
    ScheduleRender();
}

QImage CAnsiTerm::Snapshot()
{
    RenderNow();
    return grab().toImage();
}

void CAnsiTerm::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    QRect area(0, 0, term_.Columns() * cw_, term_.Rows() * ch_);
    QColor bg = QColor::fromRgb(ToRgb(kPalette[size_t(term_.DefaultBg())]));
    // Outside the cells (right of the last column, below the last row).
    QRegion outside = QRegion(e->rect()) - QRegion(area);
    outside -= QRegion(bar_->geometry());
    for (const QRect& r : outside)
        p.fillRect(r, bg);
    if (Frozen()) {
        PaintView(p, e->rect() & area);
        return;
    }
    QRect r = e->rect() & area;
    p.drawImage(r.topLeft(), backing_, r);
    if (overlayUsed_)
        p.drawImage(r.topLeft(), overlay_, r);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (hot_.Valid() && hotRow_ >= 0)
        p.fillRect(QRect(hot_.first * cw_, hotRow_ * ch_, (hot_.last - hot_.first + 1) * cw_, ch_),
                   Qt::white);
    if (hasFocus() && caretShape_ != CaretKind::None && (caretOn_ || !caretBlink_) && !caretRect_.isEmpty())
        p.fillRect(caretRect_, Qt::white);
    if (!preedit_.isEmpty()) {
        // Two cells for a Hangul syllable, one for anything narrower.
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        int cells = 0;
        for (QChar c : preedit_)
            cells += c.unicode() >= 0x1100 ? 2 : 1;
        QRect r(term_.CursorColumn() * cw_, term_.CursorRow() * ch_, cells * cw_, ch_);
        p.fillRect(r, Qt::black);
        p.setPen(Qt::white);
        p.setFont(fonts_[1]);
        p.drawText(r.left(), r.top() + ascent_, preedit_);
    }
}

void CAnsiTerm::PaintView(QPainter& p, const QRect& clip)
{
    const int cols = term_.Columns();
    QRgb dt = ToRgb(kPalette[size_t(term_.DefaultFg())]) | 0xFF000000;
    QRgb dk = ToRgb(kPalette[size_t(term_.DefaultBg())]) | 0xFF000000;
    int firstRow = clip.top() / ch_, lastRow = std::min(term_.Rows() - 1, clip.bottom() / ch_);
    for (int i = firstRow; i <= lastRow; ++i) {
        int h = pos_ + i;
        QRect band(0, i * ch_, cols * cw_, ch_);
        if (h < 0 || h >= term_.LinesUsed()) {
            p.fillRect(band, QColor::fromRgb(dk));
            continue;
        }
        const uint8_t* text = term_.HistoryLine(h).text;
        int selFrom = 1, selTo = 0;
        if (selShown_)
            SelectionRowRange(h, &selFrom, &selTo);
        p.save();
        p.setClipRect(band);
        p.translate(0, i * ch_);
        int c = 0;
        while (c < cols) {
            bool sel = c >= selFrom && c < selTo;
            QRgb t = sel ? dt ^ 0xFFFFFF : dt, k = sel ? dk ^ 0xFFFFFF : dk;
            uint8_t b = text[c];
            if (b >= 0x80 && c + 1 < cols) {
                hangul::Glyph g = hangul::DisplayPair(b, text[c + 1], term_.DisplayCode());
                QRect r(c * cw_, 0, 2 * cw_, ch_);
                if (g.kind == hangul::Glyph::Text) {
                    char32_t ch = g.ch;
                    DrawCellText(p, r, QString::fromUcs4(&ch, 1), t, k, 0, false);
                } else if (g.kind == hangul::Glyph::Block) {
                    DrawBlock(p, r, g.block, t, k);
                } else {
                    p.fillRect(r, QColor::fromRgb(k));
                }
                c += 2;
                continue;
            }
            int start = c;
            QString run;
            while (c < cols && (text[c] < 0x80 || c + 1 >= cols) && ((c >= selFrom && c < selTo) == sel)) {
                uint8_t x = text[c];
                run.append(QLatin1Char(x < 0x20 || x >= 0x7F ? ' ' : char(x)));
                ++c;
            }
            DrawCellText(p, QRect(start * cw_, 0, (c - start) * cw_, ch_), run, t, k, 0, false);
        }
        p.restore();
    }
}

// ---- feeding ---------------------------------------------------------------

bool CAnsiTerm::Frozen() const { return flags_.TermShared.Frozen; }

int CAnsiTerm::Feed(const uint8_t* data, int len)
{
    if (hot_.Valid())
        DropHotSpot();
    int n = term_.Feed(data, len);
    // Newly arriving data clears the shown selection on the live screen.
    if (selShown_ && !selecting_ && !Frozen() && n > 0)
        ClearSelection();
    ScheduleRender();
    return n;
}

void CAnsiTerm::FeedEcho(const uint8_t* data, int len)
{
    if (len <= 0)
        return;
    if (QThread::currentThread() != thread()) {
        QByteArray copy(reinterpret_cast<const char*>(data), len);
        QMetaObject::invokeMethod(
            this, [this, copy] { Feed(reinterpret_cast<const uint8_t*>(copy.constData()), int(copy.size())); },
            Qt::QueuedConnection);
        return;
    }
    Feed(data, len);
}

namespace {
// UTF-8 to the bytes the host would send for it in the display code.
std::string HostBytes(std::string_view utf8, hangul::DisplayCode code)
{
    std::string ks = hangul::EncodeCp949(utf8);
    if (code != hangul::DisplayCode::Johab)
        return ks;
    std::string out;
    out.reserve(ks.size());
    for (size_t i = 0; i < ks.size(); ++i) {
        uint8_t b = uint8_t(ks[i]);
        if (b >= 0x80 && i + 1 < ks.size()) {
            uint16_t j = hangul::KsToJohab(uint16_t(b << 8 | uint8_t(ks[i + 1])));
            if (j == 0)
                j = hangul::kTwoSpaces;
            out.push_back(char(j >> 8));
            out.push_back(char(j & 0xFF));
            ++i;
        } else {
            out.push_back(char(b));
        }
    }
    return out;
}
}  // namespace

void CAnsiTerm::WriteText(std::string_view utf8)
{
    std::string bytes = HostBytes(utf8, term_.DisplayCode());
    int off = 0;
    // A message is short; whatever a held terminal does not take is dropped
    // rather than mixed into the host's stream later.
    while (off < int(bytes.size())) {
        int n = Feed(reinterpret_cast<const uint8_t*>(bytes.data()) + off, int(bytes.size()) - off);
        if (n <= 0)
            break;
        off += n;
    }
}

void CAnsiTerm::SetLogin(const PhoneBookEntry& e)
{
    // Prompts and answers are matched and sent as host bytes.
    term_.SetAutoLogin(hangul::EncodeCp949(e.waitUserId), hangul::EncodeCp949(e.userId),
                       hangul::EncodeCp949(e.waitPassword), hangul::EncodeCp949(e.password));
}

void CAnsiTerm::ConnectionChanged(bool up)
{
    if (up)
        term_.ResetOnConnect();
    else
        term_.ResetOnDisconnect();
    if (!up)
        DropHotSpot();
    ScheduleRender();
}

void CAnsiTerm::Reply(const uint8_t* data, int count, ReplyMode mode)
{
    if (mode == ReplyMode::Macro)
        host_.SendMacro(data, count);
    else
        conn_.ConnWrite(data, count);
}

void CAnsiTerm::HistoryChanged() { UpdateScrollBar(); }

void CAnsiTerm::CaretShape(CaretKind shape, bool blink)
{
    caretShape_ = shape;
    caretBlink_ = blink;
    caretOn_ = true;
    if (blink && hasFocus())
        caretTimer_->start();
    else
        caretTimer_->stop();
    UpdateCaretRect();
}

void CAnsiTerm::UpdateCaretRect()
{
    QRect old = caretRect_;
    QRect r;
    if (caretShape_ != CaretKind::None && !Frozen()) {
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
        update(old);
        update(r);
    }
}

void CAnsiTerm::Beep()
{
    if (flags_.AppFlags.Beep)
        QApplication::beep();
}

void CAnsiTerm::EventSound(std::string_view name) { host_.PlaySound(name); }

void CAnsiTerm::HangulInput(bool on)
{
    // Input methods on Linux offer no switch a program may flip; the hint
    // is what the common ones follow (Latin preferred for English input).
    setInputMethodHints(on ? Qt::ImhNone : Qt::ImhPreferLatin);
    if (QInputMethod* im = QGuiApplication::inputMethod())
        im->update(Qt::ImHints);
}

// ---- scrollback view -------------------------------------------------------

void CAnsiTerm::SetTitle(bool view)
{
    QString t = view ? QStringLiteral("터미널 - 챙긴글 보기") : QStringLiteral("터미널 - 입력");
    if (windowTitle() != t) {
        setWindowTitle(t);
        emit titleChanged(t);
    }
}

void CAnsiTerm::UpdateScrollBar()
{
    int max = std::max(0, term_.LinesUsed() - term_.Rows());
    QSignalBlocker block(bar_);
    bar_->setRange(0, max);
    bar_->setPageStep(term_.Rows());
    bar_->setSingleStep(1);
    if (!Frozen())
        pos_ = max;
    bar_->setValue(pos_);
}

void CAnsiTerm::OnScrollBar(int value) { ScrollTo(value); }

void CAnsiTerm::ScrollLines(int delta) { ScrollTo(pos_ + delta); }

void CAnsiTerm::ScrollTo(int position)
{
    int bottom = std::max(0, term_.LinesUsed() - term_.Rows());
    position = std::clamp(position, 0, bottom);
    pos_ = position;
    term_.SetViewTop(term_.Rows() + position + term_.Top() - term_.LinesUsed() + kRingLines);
    {
        QSignalBlocker block(bar_);
        bar_->setValue(pos_);
    }
    if (pos_ != bottom || viewHeld_) {
        SetTitle(true);
        flags_.TermShared.Frozen = true;
        DropHotSpot();
        UpdateCaretRect();
        update();
    } else {
        bool was = Frozen();
        DropHotSpot();
        SetTitle(false);
        flags_.TermShared.Frozen = false;
        MarkAllDirty();
        RenderNow();
        update();
        unsetCursor();
        if (was)
            PostToFrame(CMD_CONN_DATA);
    }
}

void CAnsiTerm::OpenView()
{
    if (Frozen())
        return;
    ClearSelection();
    viewHeld_ = true;
    ScrollTo(term_.LinesUsed() - term_.Rows());
}

void CAnsiTerm::LeaveView()
{
    if (!Frozen())
        return;
    ClearSelection();
    viewHeld_ = false;
    ScrollTo(term_.LinesUsed() - term_.Rows());
}

void CAnsiTerm::wheelEvent(QWheelEvent* e)
{
    // Fine-grained wheels and touchpads report fractions of a notch.
    wheelRest_ += e->angleDelta().y();
    int notches = wheelRest_ / 120;
    if (notches == 0)
        return;
    wheelRest_ -= notches * 120;
    SettingsStore& s = out_.settings;
    int n = s.ReadInt("Wheel", "ScrollLines", 3);
    if (n < 0 || n > term_.Rows())
        n = term_.Rows();
    bool reverse = s.ReadInt("Wheel", "Reverse", 0) != 0;
    // Away from the user (positive) goes towards older lines.
    int delta = -notches * n;
    if (reverse)
        delta = -delta;
    int bottom = std::max(0, term_.LinesUsed() - term_.Rows());
    int target = std::clamp(pos_ + delta, 0, bottom);
    if (target != pos_)
        ScrollTo(target);
}

// ---- selection -------------------------------------------------------------

int CAnsiTerm::HistoryRowAt(int y) const
{
    int base = Frozen() ? pos_ : LiveHistoryBase();
    int row = y < 0 ? -1 - (-y - 1) / ch_ : y / ch_;
    return base + row;
}

void CAnsiTerm::SelectionRowRange(int h, int* from, int* to) const
{
    int sr = selStartRow_, sc = selStartCol_, er = selEndRow_, ec = selEndCol_;
    if (sr > er || (sr == er && sc > ec)) {
        std::swap(sr, er);
        std::swap(sc, ec);
    }
    *from = 1;
    *to = 0;
    if (h < sr || h > er)
        return;
    *from = h == sr ? sc : 0;
    *to = h == er ? ec : term_.Columns();
}

bool CAnsiTerm::InSelection(int h, int col) const
{
    if (!selShown_)
        return false;
    int from, to;
    SelectionRowRange(h, &from, &to);
    return col >= from && col < to;
}

void CAnsiTerm::RepaintSelectionRows(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    if (Frozen()) {
        update();
        return;
    }
    int base = LiveHistoryBase();
    for (int h = a; h <= b; ++h)
        MarkRowDirty(h - base, 0, term_.Columns() - 1);
    RenderNow();
}

void CAnsiTerm::SetSelection(int startRow, int startCol, int endRow, int endCol)
{
    int lastRow = term_.LinesUsed() - 1;
    int oldA = std::min(selStartRow_, selEndRow_), oldB = std::max(selStartRow_, selEndRow_);
    bool wasShown = selShown_;
    selStartRow_ = std::clamp(startRow, 0, lastRow);
    selEndRow_ = std::clamp(endRow, 0, lastRow);
    selStartCol_ = std::clamp(startCol, 0, term_.Columns());
    selEndCol_ = std::clamp(endCol, 0, term_.Columns());
    selShown_ = true;
    if (wasShown)
        RepaintSelectionRows(oldA, oldB);
    RepaintSelectionRows(selStartRow_, selEndRow_);
}

void CAnsiTerm::SelectAll()
{
    SetSelection(0, 0, term_.LinesUsed() - 1, term_.Columns());
    update();
}

void CAnsiTerm::ClearSelection()
{
    bool was = selShown_;
    int a = selStartRow_, b = selEndRow_;
    selShown_ = false;
    selecting_ = false;
    autoScroll_->stop();
    selStartRow_ = selStartCol_ = selEndRow_ = selEndCol_ = 0;
    if (was)
        RepaintSelectionRows(a, b);
}

std::string CAnsiTerm::SelectionBytes() const
{
    if (!selShown_)
        return {};
    int sr = selStartRow_, sc = selStartCol_, er = selEndRow_, ec = selEndCol_;
    if (sr > er || (sr == er && sc > ec)) {
        std::swap(sr, er);
        std::swap(sc, ec);
    }
    return termtext::SelectionText(sr, sc, er, ec, term_.Columns(),
                                   [this](int h) { return term_.HistoryLine(h).text; });
}

bool CAnsiTerm::Copy()
{
    if (!selShown_)
        return false;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) {
        QMessageBox::warning(this, QStringLiteral("Vellow"), QStringLiteral("클립보드를 열 수 없습니다."));
        return false;
    }
    std::string bytes = SelectionBytes();
    // The clipboard gets readable text: the stored bytes decoded in the
    // code the screen is shown in.
    std::string utf8 = hangul::DecodeToUtf8(bytes, term_.DisplayCode());
    cb->setText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    if (!viewHeld_ && !Frozen())
        ClearSelection();
    return true;
}

// ---- mouse -----------------------------------------------------------------

void CAnsiTerm::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    QPoint p = e->position().toPoint();
    int h = HistoryRowAt(p.y());
    h = std::clamp(h, 0, term_.LinesUsed() - 1);
    int col = termtext::ColumnAtX(term_.HistoryLine(h).text, term_.Columns(), p.x(), cw_);
    bool was = selShown_;
    int a = selStartRow_, b = selEndRow_;
    selShown_ = selecting_ = true;
    selStartRow_ = selEndRow_ = h;
    selStartCol_ = selEndCol_ = col;
    lastMouse_ = p;
    if (was)
        RepaintSelectionRows(a, b);
}

void CAnsiTerm::mouseMoveEvent(QMouseEvent* e)
{
    QPoint p = e->position().toPoint();
    lastMouse_ = p;
    if (!(e->buttons() & Qt::LeftButton) || !selecting_) {
        HoverAt(p);
        return;
    }
    setCursor(Qt::IBeamCursor);
    int textBottom = term_.Rows() * ch_;
    if (p.y() < 0 || p.y() >= textBottom) {
        autoDir_ = p.y() < 0 ? -1 : 1;
        if (!autoScroll_->isActive()) {
            AutoScrollTick();
            autoScroll_->start();
        }
        return;
    }
    autoScroll_->stop();
    int h = std::clamp(HistoryRowAt(p.y()), 0, term_.LinesUsed() - 1);
    int col = termtext::ColumnAtX(term_.HistoryLine(h).text, term_.Columns(), p.x(), cw_);
    if (h != selEndRow_ || col != selEndCol_) {
        int old = selEndRow_;
        selEndRow_ = h;
        selEndCol_ = col;
        RepaintSelectionRows(old, h);
    }
}

void CAnsiTerm::AutoScrollTick()
{
    // Dragging outside the window scrolls a line every tick; reaching the
    // live screen closes the view.
    if (!selecting_) {
        autoScroll_->stop();
        return;
    }
    ScrollLines(autoDir_);
    int row = autoDir_ < 0 ? 0 : term_.Rows() - 1;
    int base = Frozen() ? pos_ : LiveHistoryBase();
    int h = std::clamp(base + row, 0, term_.LinesUsed() - 1);
    int col = termtext::ColumnAtX(term_.HistoryLine(h).text, term_.Columns(), lastMouse_.x(), cw_);
    int old = selEndRow_;
    selEndRow_ = h;
    selEndCol_ = col;
    RepaintSelectionRows(old, h);
}

void CAnsiTerm::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    autoScroll_->stop();
    if (!selecting_)
        return;
    selecting_ = false;
    if (selStartRow_ == selEndRow_ && selStartCol_ == selEndCol_) {
        selShown_ = false;
        ClickAt(e->position().toPoint(), e->modifiers());
    }
    unsetCursor();
    if (hot_.Valid())
        setCursor(Qt::PointingHandCursor);
}

void CAnsiTerm::leaveEvent(QEvent*) { DropHotSpot(); }

// ---- click-to-send ---------------------------------------------------------

void CAnsiTerm::HoverAt(QPoint p)
{
    if (Frozen() || !flags_.ConnState.Connected || flags_.ConnState.Receiving || flags_.ConnState.Sending ||
        !flags_.AppFlags.ClickMouse) {
        if (hot_.Valid())
            DropHotSpot();
        return;
    }
    int col = p.x() / cw_, row = p.y() / ch_;
    if (p.x() < 0 || p.y() < 0 || col >= term_.Columns() || row >= term_.Rows()) {
        DropHotSpot();
        return;
    }
    termtext::HotSpot h = termtext::FindHotSpot(term_.Line(row).text, term_.Columns(), col);
    if (!h.Valid()) {
        DropHotSpot();
        return;
    }
    if (row == hotRow_ && h.first == hot_.first && h.last == hot_.last)
        return;
    DropHotSpot();
    hot_ = h;
    hotRow_ = row;
    update(QRect(h.first * cw_, row * ch_, (h.last - h.first + 1) * cw_, ch_));
    setCursor(Qt::PointingHandCursor);
}

void CAnsiTerm::DropHotSpot()
{
    if (hot_.Valid() && hotRow_ >= 0)
        update(QRect(hot_.first * cw_, hotRow_ * ch_, (hot_.last - hot_.first + 1) * cw_, ch_));
    bool had = hot_.Valid();
    hot_ = termtext::HotSpot{};
    hotRow_ = -1;
    if (had)
        unsetCursor();
}

void CAnsiTerm::ClickAt(QPoint p, Qt::KeyboardModifiers mods)
{
    if (flags_.ConnState.Receiving || flags_.ConnState.Sending || !flags_.AppFlags.ClickMouse)
        return;
    HoverAt(p);
    if (!hot_.Valid())
        return;
    host_.PlaySound("Flicko쥐");
    bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
    termtext::ClickMods m = shift && ctrl ? termtext::ClickMods::ShiftCtrl
                            : shift       ? termtext::ClickMods::Shift
                            : ctrl        ? termtext::ClickMods::Ctrl
                                          : termtext::ClickMods::None;
    termtext::ClickSend s = termtext::ClickToSend(hot_.text, m, flags_.TermShared.ServiceKind);
    if (!s.bytes.empty())
        WriteHost(s.bytes);
    if (!s.macro.empty())
        host_.SendMacro(reinterpret_cast<const uint8_t*>(s.macro.data()), int(s.macro.size()));
    SendToFrame(ID_TERM_DONE);
}

bool CAnsiTerm::CanReceiveFile() const
{
    int svc = flags_.TermShared.ServiceKind;
    return flags_.ConnState.Connected && !flags_.ConnState.Receiving && !flags_.ConnState.Sending && hot_.Valid() &&
           hot_.fileNumber && svc >= 0 && svc <= 4 && !receivingFile_;
}

void CAnsiTerm::ReceiveFile()
{
    if (!CanReceiveFile())
        return;
    receivingFile_ = true;
    int svc = flags_.TermShared.ServiceKind;
    WriteHost(termtext::ReceiveFileCommand(svc, hot_.text));
    // Up to 3000 ms for the host to start and finish a transfer; a transfer
    // still running then is waited for, so the follow-up never lands inside it.
    QDeadlineTimer until(3000);
    bool started = false;
    while (!until.hasExpired() || flags_.ConnState.Receiving) {
        if (flags_.ConnState.Receiving)
            started = true;
        else if (started)
            break;
        if (!flags_.ConnState.Connected)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    if (flags_.ConnState.Connected)
        WriteHost(termtext::ReceiveFileFollowUp(svc));
    receivingFile_ = false;
}

void CAnsiTerm::WriteHost(const std::string& bytes)
{
    if (!bytes.empty())
        conn_.ConnWrite(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()));
}

void CAnsiTerm::SendToFrame(int id)
{
    out_.frame.SendCommand(id);
}

void CAnsiTerm::PostToFrame(int id)
{
    out_.frame.PostCommand(id);
}

// ---- keyboard --------------------------------------------------------------

bool CAnsiTerm::event(QEvent* e)
{
    // Tab and Backtab belong to the host, not to focus changes.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::event(e);
}

void CAnsiTerm::keyPressEvent(QKeyEvent* e) { HandleKey(e); }

void CAnsiTerm::HandleKey(QKeyEvent* e)
{
    const int key = e->key();
    if (Frozen()) {
        switch (key) {
        case Qt::Key_PageUp: ScrollLines(-term_.Rows()); break;
        case Qt::Key_PageDown: ScrollLines(term_.Rows()); break;
        case Qt::Key_Up: ScrollLines(-1); break;
        case Qt::Key_Down: ScrollLines(1); break;
        default: break;
        }
        return;
    }
    if (flags_.ConnState.Receiving || flags_.ConnState.Sending)
        return;
    auto mapped = [&](int index) {
        if (host_.KeyMapped(index))
            host_.SendKey(index, false);
    };
    switch (key) {
    case Qt::Key_Backspace:
        if (host_.KeyMapped(kKeyBackspace)) {
            host_.SendKey(kKeyBackspace, false);
        } else {
            const uint8_t bs = 0x08;
            conn_.ConnWrite(&bs, 1);
        }
        return;
    case Qt::Key_PageUp:
        if (host_.KeyMapped(kKeyPageUp))
            host_.SendKey(kKeyPageUp, false);
        else
            ScrollLines(-term_.Rows());
        return;
    case Qt::Key_PageDown:
        if (host_.KeyMapped(kKeyPageDown))
            host_.SendKey(kKeyPageDown, false);
        else
            ScrollLines(term_.Rows());
        return;
    case Qt::Key_End: mapped(kKeyEnd); return;
    case Qt::Key_Home: mapped(kKeyHome); return;
    case Qt::Key_Insert: mapped(kKeyInsert); return;
    case Qt::Key_Delete: mapped(kKeyDelete); return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Right:
    case Qt::Key_Left: {
        int index = key == Qt::Key_Up     ? kKeyUp
                    : key == Qt::Key_Down ? kKeyDown
                    : key == Qt::Key_Right ? kKeyRight
                                           : kKeyLeft;
        if (host_.KeyMapped(index))
            host_.SendKey(index, term_.CursorKeyApplication());
        return;
    }
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        SendToFrame(ID_FKEY_FIRST + (key - Qt::Key_F1));
        return;
    }
    if (key == Qt::Key_Escape) {
        SendToFrame(ID_ESCAPE);
        return;
    }
    // Characters: nothing while a worker owns the stream.
    if (flags_.ConnState.Automating)
        return;
    std::string bytes;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        bytes = "\r";
    } else if (key == Qt::Key_Tab) {
        bytes = "\t";
    } else if (key == Qt::Key_Backtab) {
        bytes = "\t";
    } else {
        QString t = e->text();
        if (t.isEmpty())
            return;
        bytes = HostBytes(FromQString(t), hangul::DisplayCode::Ks);
        // The byte 0x08 is only sent by the Backspace key itself.
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\x08'), bytes.end());
    }
    WriteHost(bytes);
}

void CAnsiTerm::inputMethodEvent(QInputMethodEvent* e)
{
    // The syllable being composed is shown at the caret until it is
    // committed; only committed text goes to the host.
    QString pre = e->preeditString();
    if (pre != preedit_) {
        preedit_ = pre;
        update(caretRect_.isEmpty() ? rect() : caretRect_.adjusted(0, -ch_, 4 * cw_, ch_));
        update();
    }
    QString commit = e->commitString();
    if (!commit.isEmpty() && !Frozen() && !flags_.ConnState.WorkerOwnsStream()) {
        // The typed text goes out as CP949, whatever the display code.
        WriteHost(hangul::EncodeCp949(FromQString(commit)));
    }
    e->accept();
}

QVariant CAnsiTerm::inputMethodQuery(Qt::InputMethodQuery q) const
{
    switch (q) {
    case Qt::ImCursorRectangle:
        return caretRect_.isEmpty() ? QRect(0, 0, cw_, ch_) : caretRect_;
    case Qt::ImFont:
        return fonts_[0];
    case Qt::ImHints:
        return int(inputMethodHints());
    case Qt::ImEnabled:
        return true;
    default:
        return QWidget::inputMethodQuery(q);
    }
}

void CAnsiTerm::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    caretOn_ = true;
    if (caretBlink_)
        caretTimer_->start();
    UpdateCaretRect();
    update(caretRect_);
}

void CAnsiTerm::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    caretTimer_->stop();
    DropHotSpot();
    update(caretRect_);
}

// ---- context menu ----------------------------------------------------------

void CAnsiTerm::contextMenuEvent(QContextMenuEvent* e)
{
    bool fromKeyboard = e->reason() == QContextMenuEvent::Keyboard;
    if (fromKeyboard && Frozen())
        return;
    QPoint at = fromKeyboard ? mapToGlobal(QPoint(5, 5)) : e->globalPos();
    QPoint local = fromKeyboard ? QPoint(5, 5) : e->pos();
    clickedSlot_ = std::clamp(HistoryRowAt(local.y()), 0, term_.LinesUsed() - 1);

    // The frame's commands, in the menu's order (0: a separator). Each entry
    // shows its action's label for this menu and its enabled state now, and
    // triggers the action, which runs the command.
    static constexpr int kMenu[] = {
        ID_COPY, ID_SELECT_ALL, ID_PASTE, ID_PASTE_ENTER, ID_CATCH_LINE, 0,
        ID_ADD_FAVOURITE, 0,
        ID_TERM_COLOURS, ID_CHAT_COLOURS, ID_FONT, ID_CLEAR_SCREEN, ID_RESET_SCREEN, 0,
        ID_PRINT_SCREEN, ID_PRINT_SELECTION, 0,
        ID_RECEIVE_FILE,
    };
    host_.UpdateCommandUi();
    QMenu menu(this);
    for (int id : kMenu) {
        if (id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* command = host_.Action(id);
        if (!command)
            continue;
        QString label = command->property(kPopupTextProperty).toString();
        QAction* entry = menu.addAction(label.isEmpty() ? command->text() : label);
        entry->setEnabled(command->isEnabled());
        connect(entry, &QAction::triggered, command, &QAction::trigger);
    }
    menu.exec(at);
    SendToFrame(ID_TERM_DONE);
}

void CAnsiTerm::CatchLine()
{
    if (clickedSlot_ < 0 || clickedSlot_ >= term_.LinesUsed())
        return;
    std::string line = termtext::TrimmedLine(term_.HistoryLine(clickedSlot_).text, term_.Columns());
    if (!line.empty())
        out_.frame.SendMessage(WM_CHAT_LINE, 0, reinterpret_cast<intptr_t>(line.c_str()));
}

bool CAnsiTerm::CanAddFavourite() const
{
    return selShown_ && selStartRow_ == selEndRow_ && std::abs(selEndCol_ - selStartCol_) <= 10 &&
           selEndCol_ != selStartCol_;
}

void CAnsiTerm::AddFavourite()
{
    if (!CanAddFavourite())
        return;
    int a = std::min(selStartCol_, selEndCol_), b = std::max(selStartCol_, selEndCol_);
    const uint8_t* t = term_.HistoryLine(selStartRow_).text;
    std::string text(reinterpret_cast<const char*>(t + a), size_t(std::min(b - a, 10)));
    out_.frame.SendMessage(WM_ADD_FAVOURITE, 0, reinterpret_cast<intptr_t>(text.c_str()));
}

}  // namespace velo

#include "terminal/ui/TermFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velo {

namespace {

constexpr int kDefaultPixelHeight = 16;
constexpr char32_t kGa = 0xAC00;  // "가": the full width of a Korean face

QString PrintableAscii()
{
    QString s;
    for (char c = 0x20; c < 0x7F; ++c)
        s.append(QLatin1Char(c));
    return s;
}

// The family's regular face as fontconfig resolves it, unhinted so that the
// advances are the design's.
QRawFont RegularFace(const QString& family)
{
    QFont f(family);
    f.setPixelSize(20);
    f.setHintingPreference(QFont::PreferNoHinting);
    return QRawFont::fromFont(f);
}

// False when the name was substituted (absent, or an alias of another).
bool IsFace(const QRawFont& r, const QString& family)
{
    return r.isValid() && r.familyName().compare(family, Qt::CaseInsensitive) == 0;
}

qreal AdvanceOf(const QRawFont& r, char32_t c)
{
    QList<quint32> idx = r.glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (idx.size() != 1 || idx.first() == 0)
        return 0;
    QList<QPointF> adv = r.advancesForGlyphIndexes(idx);
    return adv.isEmpty() ? 0 : adv.first().x();
}

}  // namespace

namespace termfonts {

QString ListName(const QString& family) { return QFontInfo(QFont(family)).family(); }

bool LatinFixedWidth(const QString& family)
{
    QRawFont r = RegularFace(family);
    if (!IsFace(r, family))
        return false;
    QList<quint32> idx = r.glyphIndexesForString(PrintableAscii());
    if (idx.size() != 95 || std::count(idx.begin(), idx.end(), 0u) > 0)
        return false;
    QList<QPointF> adv = r.advancesForGlyphIndexes(idx);
    const qreal first = adv.isEmpty() ? 0 : adv.first().x();
    if (first <= 0)
        return false;
    for (const QPointF& a : adv)
        if (std::abs(a.x() - first) > 0.05)
            return false;
    return true;
}

bool HasHangul(const QString& family)
{
    QRawFont r = RegularFace(family);
    // First, last and a common syllable: a face with a few borrowed
    // syllables is no Hangul face.
    return IsFace(r, family) && r.supportsCharacter(kGa) && r.supportsCharacter(char32_t(0xD7A3)) &&
           r.supportsCharacter(char32_t(0xD55C));
}

QStringList HangulFamilies()
{
    QStringList out;
    for (const QString& f : QFontDatabase::families(QFontDatabase::Korean))
        if (!QFontDatabase::isPrivateFamily(f) && HasHangul(f))
            out.append(f);
    return out;
}

QStringList GridFamilies()
{
    const bool anyHangul = !HangulFamilies().isEmpty();
    QStringList out;
    for (const QString& f : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(f) && LatinFixedWidth(f) && (anyHangul || HasHangul(f)))
            out.append(f);
    return out;
}

QString WideFace(const QString& latin, const QString& wanted)
{
    if (!wanted.isEmpty() && HasHangul(wanted))
        return ListName(wanted);
    if (HasHangul(latin))
        return ListName(latin);
    const QString fallback = QString::fromLatin1(kFallbackFace);
    if (HasHangul(fallback))
        return ListName(fallback);
    QStringList ko = HangulFamilies();
    return ko.isEmpty() ? QString() : ko.first();
}

}  // namespace termfonts

TermFonts::TermFonts() { Make(LogFontFields{}); }

void TermFonts::Make(const LogFontFields& font)
{
    QString face = QString::fromStdString(font.faceName);
    if (face.isEmpty() || !termfonts::LatinFixedWidth(face)) {
        face = QString::fromLatin1(kFallbackFace);
        if (!termfonts::LatinFixedWidth(face))
            face = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }
    int px = std::abs(font.height);
    if (px == 0)
        px = kDefaultPixelHeight;
    px = std::clamp(px, kMinFontPixels, kMaxFontPixels);
    latinFamily_ = termfonts::ListName(face);
    const QFont::Weight weight = font.weight >= 600 ? QFont::Bold : QFont::Normal;

    for (int i = 0; i < 4; ++i) {
        QFont f(face);
        f.setPixelSize(px);
        f.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
        f.setFixedPitch(true);
        f.setKerning(false);
        f.setHintingPreference(QFont::PreferFullHinting);
        f.setWeight(weight);
        f.setItalic(i & 2);
        f.setUnderline(i & 1);
        fonts_[size_t(i)] = f;
        raw_[size_t(i)] = QRawFont::fromFont(f);
        ascii_[size_t(i)].fill(0);
        other_[size_t(i)].clear();
        if (raw_[size_t(i)].isValid()) {
            QList<quint32> found = raw_[size_t(i)].glyphIndexesForString(PrintableAscii());
            for (qsizetype k = 0; k < found.size() && k < 95; ++k)
                ascii_[size_t(i)][size_t(0x20 + k)] = found[k];
        }
    }
    QFontMetrics fm(fonts_[0]);
    cw_ = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    ch_ = std::max(1, fm.height());
    ascent_ = fm.ascent();

    // The wide face: first at the Latin size, to learn its proportions.
    wideFamily_ = termfonts::WideFace(face, QString::fromStdString(font.hangulFace));
    if (wideFamily_.isEmpty())
        wideFamily_ = face;  // the font fallback finds Hangul, if anything has them
    QFont wf(wideFamily_);
    wf.setPixelSize(px);
    wf.setKerning(false);
    wf.setHintingPreference(QFont::PreferFullHinting);
    wf.setWeight(weight);
    QRawFont raw = QRawFont::fromFont(wf);
    QFontMetricsF wfm(wf);
    qreal full = AdvanceOf(raw, kGa);
    if (full <= 0)
        full = wfm.horizontalAdvance(QChar(char16_t(kGa)));
    qreal tall = raw.isValid() ? raw.ascent() + raw.descent() : wfm.ascent() + wfm.descent();
    if (full <= 0)
        full = px;
    if (tall <= 0)
        tall = px;
    // The size whose full width comes closest to two cells while its height
    // stays inside the cell. What width is left over is made up first by
    // stretching the face (the font engine then draws it from its glyph
    // cache, as fast as the Latin cells), and whatever the stretch's whole
    // percents miss by a horizontal scale when drawing.
    const qreal size = std::max<qreal>(1, px * std::min(2.0 * cw_ / full, qreal(ch_) / tall));
    qreal wideAscent = wfm.ascent() * size / px, wideDescent = wfm.descent() * size / px;
    full = full * size / px;
    int stretch = 100;
    if (raw.isValid()) {
        raw.setPixelSize(size);
        wideAscent = raw.ascent();
        wideDescent = raw.descent();
        if (qreal a = AdvanceOf(raw, kGa); a > 0)
            full = a;
        const int guess = int(std::lround(100.0 * 2 * cw_ / full));
        qreal bestMiss = std::abs(full - 2.0 * cw_);
        for (int s : {guess, guess - 1, guess + 1, guess - 2, guess + 2}) {
            if (s < 50 || s > 200 || s == 100)
                continue;
            QFont stretched = wf;
            stretched.setStretch(s);
            QRawFont r = QRawFont::fromFont(stretched);
            r.setPixelSize(size);
            const qreal a = AdvanceOf(r, kGa);
            if (a > 0 && std::abs(a - 2.0 * cw_) < bestMiss - 0.01) {
                bestMiss = std::abs(a - 2.0 * cw_);
                stretch = s;
                raw = r;
                full = a;
            }
        }
    }
    wideRaw_ = raw;
    wideCache_.clear();
    wideScale_ = 2.0 * cw_ / full;
    if (std::abs(wideScale_ - 1) < 0.001)
        wideScale_ = 1;
    // The Latin baseline, moved as little as needed to keep the wide glyphs'
    // ascent and descent inside the cell.
    wideBase_ = std::max(int(std::ceil(wideAscent - 0.01)),
                         std::min(ascent_, ch_ - int(std::ceil(wideDescent - 0.01))));
    for (int i = 0; i < 2; ++i) {
        QFont f = wf;
        f.setPixelSize(std::max(1, int(std::lround(size))));
        f.setStretch(stretch);
        f.setItalic(i == 1);
        wideFonts_[size_t(i)] = f;
    }
}

// ---- narrow cells ----------------------------------------------------------

bool TermFonts::NarrowIndexes(int fontIndex, const QString& s, QVarLengthArray<quint32, 160>* out)
{
    const QRawFont& raw = raw_[size_t(fontIndex)];
    if (!raw.isValid())
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
            index = ascii_[size_t(fontIndex)][c];
        } else {
            auto& other = other_[size_t(fontIndex)];
            auto it = other.constFind(c);
            if (it == other.constEnd()) {
                QList<quint32> found = raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
                index = found.size() == 1 ? found.first() : 0;
                // The cache stays small: a screen holds at most a few
                // thousand distinct characters.
                if (other.size() < 20000)
                    other.insert(c, index);
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

void TermFonts::DrawNarrow(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k, int fontIndex)
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
    // Italic faces go through the text path, which slants a face that has
    // no italic of its own.
    QVarLengthArray<quint32, 160> idx;
    if (!(fontIndex & 2) && NarrowIndexes(fontIndex, s, &idx)) {
        QVarLengthArray<QPointF, 160> pos;
        pos.resize(idx.size());
        for (qsizetype i = 0; i < idx.size(); ++i)
            pos[i] = QPointF(qreal(i * cw_), qreal(ascent_));
        QGlyphRun run;
        run.setRawFont(raw_[size_t(fontIndex)]);
        run.setRawData(idx.constData(), pos.constData(), int(idx.size()));
        run.setUnderline(fontIndex & 1);
        p.drawGlyphRun(QPointF(r.left(), r.top()), run);
        return;
    }
    p.setFont(fonts_[size_t(fontIndex)]);
    // Each character in its own cell, whatever the face's advances are.
    for (qsizetype i = 0; i < s.size(); ++i)
        p.drawText(r.left() + int(i) * cw_, r.top() + ascent_, QString(s.at(i)));
}

// ---- wide cells ------------------------------------------------------------

TermFonts::WideGlyph TermFonts::Wide(char32_t c)
{
    auto it = wideCache_.constFind(c);
    if (it != wideCache_.constEnd())
        return *it;
    WideGlyph g;
    if (wideRaw_.isValid()) {
        QList<quint32> idx = wideRaw_.glyphIndexesForString(QString::fromUcs4(&c, 1));
        if (idx.size() == 1 && idx.first() != 0) {
            g.index = idx.first();
            QList<QPointF> adv = wideRaw_.advancesForGlyphIndexes(idx);
            g.advance = adv.isEmpty() ? 0 : adv.first().x();
            if (g.advance <= 0)
                g.index = 0;
        }
    }
    if (wideCache_.size() < 20000)
        wideCache_.insert(c, g);
    return g;
}

void TermFonts::DrawWide(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k, int fontIndex)
{
    p.fillRect(r, QColor::fromRgb(k));
    p.setPen(QColor::fromRgb(t));
    const qreal box = 2.0 * cw_;
    const bool italic = fontIndex & 2;
    // Glyphs of the wide face at the face's scale go out as one run, placed
    // in the run's scaled coordinates; the others one by one.
    QVarLengthArray<quint32, 80> idx;
    QVarLengthArray<QPointF, 80> pos;
    int pair = 0;
    for (qsizetype q = 0; q < s.size(); ++q, ++pair) {
        char32_t c = s.at(q).unicode();
        if (s.at(q).isHighSurrogate() && q + 1 < s.size()) {
            c = QChar::surrogateToUcs4(s.at(q), s.at(q + 1));
            ++q;
        }
        const int x = r.left() + pair * 2 * cw_;
        if (c == U' ' || c == 0x3000)
            continue;
        if (DrawBoxChar(p, QRect(x, r.top(), 2 * cw_, ch_), c, t))
            continue;
        WideGlyph g = italic ? WideGlyph{} : Wide(c);
        if (g.index == 0) {
            DrawWideText(p, x, r.top(), c, italic);
            continue;
        }
        const qreal w = g.advance * wideScale_;
        if (w > box + 0.01) {
            DrawWideGlyph(p, x, r.top(), g);
            continue;
        }
        idx.append(g.index);
        pos.append(QPointF((x - r.left() + (box - w) / 2) / wideScale_, qreal(wideBase_)));
    }
    if (!idx.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(wideRaw_);
        run.setRawData(idx.constData(), pos.constData(), int(idx.size()));
        if (wideScale_ == 1) {
            p.drawGlyphRun(QPointF(r.left(), r.top()), run);
        } else {
            p.save();
            p.translate(r.left(), r.top());
            p.scale(wideScale_, 1);
            p.drawGlyphRun(QPointF(0, 0), run);
            p.restore();
        }
    }
    if (fontIndex & 1)
        Underline(p, r, t);
}

int TermFonts::DrawCells(QPainter& p, int x, int y, const QString& s, QRgb t, QRgb k, int fontIndex)
{
    int cells = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const bool wide = s.at(i).unicode() >= 0x80;
        qsizetype j = i;
        while (j < s.size() && (s.at(j).unicode() >= 0x80) == wide)
            ++j;
        const QString run = s.mid(i, j - i);
        const int n = int(run.size()) * (wide ? 2 : 1);
        const QRect r(x + cells * cw_, y, n * cw_, ch_);
        if (wide)
            DrawWide(p, r, run, t, k, fontIndex);
        else
            DrawNarrow(p, r, run, t, k, fontIndex);
        cells += n;
        i = j;
    }
    return cells;
}

void TermFonts::DrawWideGlyph(QPainter& p, int x, int top, const WideGlyph& g)
{
    QGlyphRun run;
    run.setRawFont(wideRaw_);
    QPointF at(0, wideBase_);
    run.setRawData(&g.index, &at, 1);
    p.save();
    p.translate(x, top);
    p.scale(2.0 * cw_ / g.advance, 1);
    p.drawGlyphRun(QPointF(0, 0), run);
    p.restore();
}

void TermFonts::DrawWideText(QPainter& p, int x, int top, char32_t c, bool italic)
{
    // A character the wide face lacks (the font fallback finds one) or an
    // italic: the same fitting rule on the advance the text path gives it.
    const QFont& f = wideFonts_[italic ? 1 : 0];
    const QString str = QString::fromUcs4(&c, 1);
    const qreal a = QFontMetricsF(f).horizontalAdvance(str);
    if (a <= 0)
        return;
    const qreal box = 2.0 * cw_;
    const qreal s = a * wideScale_ > box ? box / a : wideScale_;
    p.save();
    p.translate(x + (box - a * s) / 2, top);
    p.scale(s, 1);
    p.setFont(f);
    p.drawText(QPointF(0, wideBase_), str);
    p.restore();
}

namespace {
// The box-drawing characters of KS C 5601 (U+2500 to U+254B): the weight of
// each arm, left, right, up, down; 0 none, 1 light, 2 heavy. The faces draw
// them at their own widths and heights, so that boards' frames fall apart
// into pieces; drawn here, every arm reaches the edge of its two cells and
// meets its neighbour's. The dashed lines (U+2504 to U+250B) are the face's.
constexpr const char* kBoxArms[] = {
    "1100", "2200", "0011", "0022", nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, "0101", "0201", "0102", "0202",
    "1001", "2001", "1002", "2002", "0110", "0210", "0120", "0220",
    "1010", "2010", "1020", "2020", "0111", "0211", "0121", "0112",
    "0122", "0221", "0212", "0222", "1011", "2011", "1021", "1012",
    "1022", "2021", "2012", "2022", "1101", "2101", "1201", "2201",
    "1102", "2102", "1202", "2202", "1110", "2110", "1210", "2210",
    "1120", "2120", "1220", "2220", "1111", "2111", "1211", "2211",
    "1121", "1112", "1122", "2121", "1221", "2112", "1212", "2221",
    "2212", "2122", "1222", "2222",
};
}  // namespace

bool TermFonts::DrawBoxChar(QPainter& p, const QRect& r, char32_t c, QRgb t)
{
    if (c < 0x2500 || c > 0x254B || !kBoxArms[c - 0x2500])
        return false;
    const char* arms = kBoxArms[c - 0x2500];
    // Light lines one pixel per 16 of the cell's height, heavy ones twice
    // that and one more, so they stay apart at every size.
    const int light = std::max(1, int(std::lround(ch_ / 16.0)));
    const int weight[3] = {0, light, 2 * light + 1};
    const int cx = r.left() + r.width() / 2, cy = r.top() + r.height() / 2;
    const QColor ink = QColor::fromRgb(t);
    int middle = 0;
    for (int i = 0; i < 4; ++i) {
        const int w = weight[arms[i] - '0'];
        middle = std::max(middle, w);
        if (w == 0)
            continue;
        const int across = (i < 2 ? cy : cx) - w / 2;
        switch (i) {
        case 0: p.fillRect(QRect(QPoint(r.left(), across), QPoint(cx, across + w - 1)), ink); break;
        case 1: p.fillRect(QRect(QPoint(cx, across), QPoint(r.right(), across + w - 1)), ink); break;
        case 2: p.fillRect(QRect(QPoint(across, r.top()), QPoint(across + w - 1, cy)), ink); break;
        case 3: p.fillRect(QRect(QPoint(across, cy), QPoint(across + w - 1, r.bottom())), ink); break;
        }
    }
    // Where a heavy arm meets light ones, the crossing is as heavy.
    p.fillRect(QRect(cx - middle / 2, cy - middle / 2, middle, middle), ink);
    return true;
}

void TermFonts::Underline(QPainter& p, const QRect& r, QRgb t)
{
    // Where and how thick the Latin face underlines, so that a mixed line
    // has one underline.
    QFontMetrics fm(fonts_[1]);
    const int y = r.top() + std::min(ascent_ + fm.underlinePos(), ch_ - 1);
    p.fillRect(QRect(r.left(), y, r.width(), std::max(1, fm.lineWidth())), QColor::fromRgb(t));
}

}  // namespace velo

// The faces of the terminal's cell grid and how text is put into the cells.
//
// A terminal font is two faces: a Latin face whose printable ASCII all share
// one advance (that advance is the cell width, its height the cell height),
// and a wide face for the double-byte characters: the Latin face itself when
// it has Hangul, else a Korean face found through fontconfig (the user's
// choice, or the first that fits). A double-byte character always covers
// exactly its two cells: the wide face is taken at the size whose full-width
// advance comes closest to two cells without its height leaving the cell,
// and what is left over is a horizontal scale. Narrower wide glyphs (some
// symbols) keep their shape and are centred; wider ones are squeezed in.
// Glyphs are placed from per-face glyph-index tables: no text shaping on the
// hot path.
#pragma once

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QRgb>
#include <QStringList>
#include <QVarLengthArray>
#include <array>

#include "base/SettingsLayout.h"

class QPainter;
class QRect;

namespace velo {

// The face an absent or unfit face falls back to (fonts-nanum-coding).
inline constexpr char kFallbackFace[] = "NanumGothicCoding";
// Character heights in pixels the grid is drawn at: a window of 132 x 50
// cells at the largest is still an image of a few tens of megabytes.
inline constexpr int kMinFontPixels = 4;
inline constexpr int kMaxFontPixels = 72;

class TermFonts {
public:
    TermFonts();
    // Makes the faces of a logical font: a face that is not installed or
    // whose Latin is not fixed-width is replaced by the fallback face; the
    // height is the pixel height (0: 16), limited to what a window can hold.
    void Make(const LogFontFields& font);

    int CellWidth() const { return cw_; }
    int CellHeight() const { return ch_; }
    int Ascent() const { return ascent_; }
    // The families in use, by the names the font list shows them with.
    QString LatinFamily() const { return latinFamily_; }
    QString WideFamily() const { return wideFamily_; }
    // The Latin face; index italic << 1 | underline.
    const QFont& Font(int index) const { return fonts_[size_t(index)]; }
    // The wide face's horizontal scale (1 when its own size fills the cells).
    qreal WideScale() const { return wideScale_; }

    // Fills r with k and draws single-byte text s, one character per cell,
    // in t. Only printable ASCII is expected.
    void DrawNarrow(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k, int fontIndex);
    // Fills r with k and draws the double-byte characters s (one code point
    // each, two cells each) in t.
    void DrawWide(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k, int fontIndex);
    // Text of both kinds from the cell at (x, y): ASCII one cell a
    // character, anything else two, as the host's bytes would show it.
    // Returns the cells taken.
    int DrawCells(QPainter& p, int x, int y, const QString& s, QRgb t, QRgb k, int fontIndex);

private:
    struct WideGlyph {
        quint32 index = 0;  // 0: not in the wide face
        qreal advance = 0;
    };
    bool NarrowIndexes(int fontIndex, const QString& s, QVarLengthArray<quint32, 160>* out);
    WideGlyph Wide(char32_t c);
    // One wide glyph in its two cells at left x, squeezed in when wider.
    void DrawWideGlyph(QPainter& p, int x, int top, const WideGlyph& g);
    void DrawWideText(QPainter& p, int x, int top, char32_t c, bool italic);
    bool DrawBoxChar(QPainter& p, const QRect& r, char32_t c, QRgb t);
    void Underline(QPainter& p, const QRect& r, QRgb t);

    QString latinFamily_;
    std::array<QFont, 4> fonts_;
    std::array<QRawFont, 4> raw_;
    std::array<std::array<quint32, 128>, 4> ascii_{};
    std::array<QHash<char32_t, quint32>, 4> other_;

    QString wideFamily_;
    QRawFont wideRaw_;
    QHash<char32_t, WideGlyph> wideCache_;
    std::array<QFont, 2> wideFonts_;  // by italic: glyphs the raw face lacks, and italics
    qreal wideScale_ = 1;
    int wideBase_ = 12;  // baseline of wide glyphs in the cell

    int cw_ = 8, ch_ = 16, ascent_ = 12;
};

// Choosing a terminal font: what fontconfig has that fits the cell grid.
// A family goes by several names (its own and localised ones, any of which
// a setting may hold); the lists and the faces chosen come by the name the
// font list shows.
namespace termfonts {

// The name the font list shows for an installed family.
QString ListName(const QString& family);

// Printable ASCII all of one advance in the family's regular face (an alias
// such as "Monospace" does not count as a family of its own).
bool LatinFixedWidth(const QString& family);
// The family's own face has the Hangul syllables.
bool HasHangul(const QString& family);
// The Korean families fontconfig knows (its lang=ko), each with Hangul.
QStringList HangulFamilies();
// The families that can fill the grid: fixed-width Latin, and Hangul of
// their own or some Korean family to go with them.
QStringList GridFamilies();
// The wide face for a Latin family: the wanted one when it has Hangul, else
// the family itself when it has them, else the fallback face, else the first
// Korean family; empty when there is none at all. By its list name.
QString WideFace(const QString& latin, const QString& wanted);

}  // namespace termfonts

}  // namespace velo

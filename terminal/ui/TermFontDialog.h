// "글꼴 지정": the terminal font, chosen from what fits the cell grid.
//
// The list holds the families whose Latin is fixed-width and which fill the
// grid alone (Hangul of their own) or with a Korean face beside them; the
// Hangul face is chosen beside it ("글꼴에 든 한글" for the family's own).
// The size is the character height in pixels, the weight normal or bold. The
// sample is drawn by the terminal's own text drawing, so it shows the cells
// as the window will. Starts from the current font; OK gives the new one.
#pragma once

#include <QDialog>
#include <QWidget>

#include "base/SettingsLayout.h"
#include "terminal/ui/TermFonts.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QSpinBox;

namespace velo {

// A few lines of Latin, Hangul, symbols and Hanja in the terminal's colours,
// drawn through TermFonts.
class TermFontSample : public QWidget {
public:
    explicit TermFontSample(QWidget* parent = nullptr);
    void SetFont(const LogFontFields& font);
    const TermFonts& Fonts() const { return fonts_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TermFonts fonts_;
};

class TermFontDialog : public QDialog {
public:
    TermFontDialog(const LogFontFields& current, QWidget* parent = nullptr);

    // The font as the dialog shows it now (the current one's other fields kept).
    LogFontFields Chosen() const;
    // Runs the dialog; on OK *font becomes the chosen font and true comes back.
    static bool Choose(QWidget* parent, LogFontFields* font);

    QListWidget* Families() const { return families_; }
    QComboBox* HangulFaces() const { return hangul_; }
    QSpinBox* Size() const { return size_; }
    QCheckBox* Bold() const { return bold_; }
    const TermFontSample* Sample() const { return sample_; }

private:
    // The Hangul faces offered beside the selected family, keeping `keep`
    // when it is among them.
    void FillHangulFaces(const QString& keep);
    void UpdateSample();

    LogFontFields current_;
    QStringList hangulFamilies_;
    QListWidget* families_ = nullptr;
    QComboBox* hangul_ = nullptr;
    QSpinBox* size_ = nullptr;
    QCheckBox* bold_ = nullptr;
    TermFontSample* sample_ = nullptr;
};

}  // namespace velo

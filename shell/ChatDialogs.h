// The chat pane's two small dialogs: its colours ("색 지정": two sliders over
// the terminal's 16 colours and a preview) and its header and footer pairs
// ("덧말 붙이기", fields 1004 to 1007). Each changes nothing unless it ends
// with OK; the caller takes the values then.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QSlider;

namespace velo {

class ChatColourDialog : public QDialog {
    Q_OBJECT
public:
    ChatColourDialog(int fg, int bg, QWidget* parent = nullptr);
    int TextColour() const;
    int BackColour() const;
    QSlider* TextSlider() const { return fg_; }
    QSlider* BackSlider() const { return bg_; }
    QLabel* Preview() const { return preview_; }

private:
    void ShowPreview();
    QSlider* fg_;
    QSlider* bg_;
    QLabel* preview_;
};

class HeaderFooterDialog : public QDialog {
    Q_OBJECT
public:
    // The fields' ids: first header, first footer, second header, second footer.
    static constexpr int kFieldIds[4] = {1004, 1005, 1006, 1007};
    // texts: the same order.
    HeaderFooterDialog(const QString (&texts)[4], QWidget* parent = nullptr);
    QString Text(int i) const;
    QLineEdit* Field(int i) const { return fields_[i]; }

private:
    QLineEdit* fields_[4];
};

}  // namespace velo

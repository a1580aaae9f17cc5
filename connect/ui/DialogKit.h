// What the connection dialogs share: how they speak to the user beyond
// themselves (a message box; tests answer in its place), a line-edit limit
// in bytes of the text's UTF-8 (the size the connection record keeps), and
// the COM ports the frame offers.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QValidator>
#include <functional>
#include <vector>

namespace velo {

// A message box titled `title` with `text`, the icon and the buttons; returns
// the button pressed.
using MessageFn = std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon icon,
                                                            const QString& title, const QString& text,
                                                            QMessageBox::StandardButtons buttons)>;
// Shows a real QMessageBox.
MessageFn ShowMessageBox();

// Accepts a text while its UTF-8 form takes at most `bytes` bytes.
class Utf8LimitValidator : public QValidator {
public:
    Utf8LimitValidator(int bytes, QObject* parent) : QValidator(parent), bytes_(bytes) {}
    State validate(QString& input, int& pos) const override;

private:
    int bytes_;
};

// A COM port as the frame knows it: "COM1".."COM9" and the device behind it.
struct ComPortChoice {
    QString name;
    QString device;
};
using ComPortList = std::vector<ComPortChoice>;

}  // namespace velo

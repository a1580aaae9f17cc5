#include "connect/ui/DialogKit.h"

namespace velo {

MessageFn ShowMessageBox()
{
    return [](QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
              QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, title, text, buttons, parent);
        return QMessageBox::StandardButton(box.exec());
    };
}

QValidator::State Utf8LimitValidator::validate(QString& input, int&) const
{
    return input.toUtf8().size() <= bytes_ ? Acceptable : Invalid;
}

}  // namespace velo

#include "connect/ui/DialogKit.h"

#include <QAbstractButton>
#include <utility>

namespace velo {

MessageFn ShowMessageBox()
{
    return [](QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
              QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, title, text, buttons, parent);
        // The buttons speak the program's language, as its own dialogs do.
        const std::pair<QMessageBox::StandardButton, const char*> names[] = {
            {QMessageBox::Yes, "예(&Y)"}, {QMessageBox::No, "아니요(&N)"},
            {QMessageBox::Cancel, "취소"}, {QMessageBox::Ok, "확인"}, {QMessageBox::Retry, "다시 시도(&R)"}};
        for (const auto& [b, name] : names)
            if (QAbstractButton* button = box.button(b))
                button->setText(QString::fromUtf8(name));
        return QMessageBox::StandardButton(box.exec());
    };
}

QValidator::State Utf8LimitValidator::validate(QString& input, int&) const
{
    return input.toUtf8().size() <= bytes_ ? Acceptable : Invalid;
}

}  // namespace velo

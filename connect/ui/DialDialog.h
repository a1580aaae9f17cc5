// The manual dial dialog "직접 걸기" and the telnet address dialog
// "Telnet 주소 입력": an editable drop-down of the five values typed last
// (settings section "History"). OK with a text updates the history and
// closes; with nothing typed it does nothing.
#pragma once

#include <QDialog>

#include "connect/PhoneBook.h"

class QComboBox;

namespace velo {

class SettingsStore;

class DialDialog : public QDialog {
    Q_OBJECT
public:
    DialDialog(SettingsStore& settings, HistoryKind kind, QWidget* parent = nullptr);

    // The typed text, blanks at either end dropped.
    QString Text() const;
    QComboBox* Box() const { return box_; }

    void accept() override;

private:
    SettingsStore& settings_;
    HistoryKind kind_;
    QComboBox* box_ = nullptr;
};

}  // namespace velo

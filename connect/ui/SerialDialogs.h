// The serial ports' settings dialogs: "COM1설정".."COM9설정" (rate, data
// bits, stop bits, parity and the port's device) and "COM 포트 반응조절"
// (the stored response speed). Each reads the store when made and writes
// it only on OK.
#pragma once

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QSpinBox;

namespace velo {

class SettingsStore;

class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // port: 1..9.
    PortSettingsDialog(SettingsStore& settings, int port, QWidget* parent = nullptr);
    void accept() override;

    QComboBox* rate = nullptr;
    QComboBox* dataBits = nullptr;
    QComboBox* parity = nullptr;
    QComboBox* stopBits = nullptr;
    // Editable: the system's serial devices are offered, any absolute path
    // (a pty, a by-id link) may be typed.
    QComboBox* device = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void Show(int baud, int bits, int parityCode, int stopCode, const QString& dev);
    void CheckDevice();
    SettingsStore& settings_;
    int port_;
};

class ComResponseDialog : public QDialog {
    Q_OBJECT
public:
    explicit ComResponseDialog(SettingsStore& settings, QWidget* parent = nullptr);
    void accept() override;

    QSpinBox* interval = nullptr;

private:
    SettingsStore& settings_;
};

}  // namespace velo

// The modem settings ("모뎀 설정"): the list of modems the program can dial
// with, each one's extra initialisation command ("UserInit"), its device and
// speed ("구성(&F)..."), adding and removing modems. OK stores the list and
// the chosen modem as the current one; Cancel stores nothing.
#pragma once

#include <QDialog>
#include <vector>

#include "connect/LineService.h"

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velo {

class SettingsStore;

// One modem's device, speed and name ("구성"): also used to add a modem.
class ModemConfigDialog : public QDialog {
    Q_OBJECT
public:
    ModemConfigDialog(const ModemInfo& modem, const QString& title, QWidget* parent = nullptr);
    ModemInfo Result() const;

    QLineEdit* name = nullptr;
    QComboBox* device = nullptr;
    QComboBox* speed = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void Check();
    ModemInfo modem_;
};

class ModemSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ModemSettingsDialog(SettingsStore& settings, QWidget* parent = nullptr);
    void accept() override;

    const std::vector<ModemInfo>& Modems() const { return modems_; }
    // Adds a modem as "추가" does once its dialog is confirmed; false when
    // the list is full.
    bool AddModem(const ModemInfo& modem);

    QListWidget* list = nullptr;
    QLineEdit* userInit = nullptr;
    QPushButton* configure = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;

private:
    void Fill(int select);
    void SelectionChanged();
    void Configure();
    void Add();
    void Remove();
    SettingsStore& settings_;
    std::vector<ModemInfo> modems_;
};

}  // namespace velo

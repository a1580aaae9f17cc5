// "알고 계십니까?": the tip of the day from "tips.txt".
#pragma once

#include <QDialog>

#include "shell/Startup.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace velo {

class SettingsStore;

class TipsDialog : public QDialog {
    Q_OBJECT
public:
    TipsDialog(SettingsStore& settings, const QString& tipsPath, QWidget* parent = nullptr);
    // Where the tips file is looked for: the current directory, then beside
    // the program, then the installation directory.
    static QString FindTipsFile(const QString& installDir);
    QString TipText() const;

public slots:
    void done(int r) override;

private:
    void ShowNext();
    SettingsStore& settings_;
    TipsReader reader_;
    bool open_ = false;
    QLabel* tip_;
    QCheckBox* showAtStart_;
    QPushButton* next_;
};

}  // namespace velo

// "ZModem 설정": the automatic start switches, the resume policy for
// downloads and the two transfer folders (section "ZModem"). The frame opens
// it for "ZModem 설정" and for "다운로드 디렉토리 설정(&D)". OK writes all five
// values; Cancel writes nothing.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace velo {

class SettingsStore;

class ZModemSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // programDir: the installation folder, the base of the folders' defaults.
    ZModemSettingsDlg(SettingsStore& settings, const std::string& programDir, QWidget* parent = nullptr);

    // The folder picker behind "찾아보기": title and starting folder in, the
    // chosen folder out ("" when the user cancelled). Replaceable.
    std::function<QString(const QString& title, const QString& start)> pickFolder;

    void accept() override;

    QCheckBox* AutoDown() const { return autoDown_; }
    QCheckBox* AutoUp() const { return autoUp_; }
    int AppendChoice() const;
    QLineEdit* UpPath() const { return upPath_; }
    QLineEdit* DownPath() const { return downPath_; }
    // Runs "찾아보기" of the upload (false) or download (true) folder.
    void Browse(bool download);

private:
    SettingsStore& settings_;
    QCheckBox* autoDown_ = nullptr;
    QCheckBox* autoUp_ = nullptr;
    QButtonGroup* append_ = nullptr;
    QLineEdit* upPath_ = nullptr;
    QLineEdit* downPath_ = nullptr;
};

}  // namespace velo

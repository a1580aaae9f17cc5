// The two small settings dialogs of printing and the mouse wheel: "인쇄 설정"
// (section "Print") and "IntelliMouse 설정" (section "Wheel"). Each reads its
// values when it opens; OK writes them, Cancel writes nothing.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "shell/PrintSettings.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace velo {

class SettingsStore;

class PrintSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // printerSetup: the system's print dialog ("프린터 설정"); its choice is
    // kept for the session, not stored.
    PrintSettingsDialog(SettingsStore& settings, const std::string& installDir,
                        std::function<void(QWidget*)> printerSetup, QWidget* parent = nullptr);
    // What the fields hold now.
    PrintDialogValues Values() const;

    void accept() override;

    // The fields, for tests and for the frame.
    QRadioButton* OptionButton(int option) const;
    QLineEdit* FileField() const { return file_; }
    QPushButton* BrowseButton() const { return browse_; }
    QCheckBox* LfConvertBox() const { return lf_; }
    QCheckBox* FitFontBox() const { return fit_; }
    QSpinBox* LinesField() const { return lines_; }
    QPushButton* PrinterSetupButton() const { return setup_; }

private:
    SettingsStore& settings_;
    QButtonGroup* option_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* lf_ = nullptr;
    QCheckBox* fit_ = nullptr;
    QSpinBox* lines_ = nullptr;
    QPushButton* setup_ = nullptr;
};

class WheelSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit WheelSettingsDialog(SettingsStore& settings, QWidget* parent = nullptr);
    WheelValues Values() const;

    void accept() override;

    QCheckBox* ReverseBox() const { return reverse_; }
    QRadioButton* LinesButton() const { return linesButton_; }
    QRadioButton* PageButton() const { return pageButton_; }
    QSpinBox* LinesField() const { return lines_; }

private:
    SettingsStore& settings_;
    QCheckBox* reverse_ = nullptr;
    QRadioButton* linesButton_ = nullptr;
    QRadioButton* pageButton_ = nullptr;
    QSpinBox* lines_ = nullptr;
};

}  // namespace velo

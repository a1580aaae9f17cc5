// The entry dialog of the phone book: "새 접속 번호 추가" when adding,
// "접속 번호 수정" when editing. The six service buttons and the two
// connection buttons fill in the service's name, numbers or hosts and log-in
// prompts; OK checks the number and builds the entry.
//
// A direct-port entry (kind 2, made by the COM menu) has neither connection
// button pressed: its number drop-down offers the frame's COM ports, and OK
// keeps it a direct-port entry. Pressing a connection button makes it a
// dial-up or telnet entry.
#pragma once

#include <QDialog>

#include "connect/PhoneBookEntry.h"
#include "connect/ui/DialogKit.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace velo {

class EntryDialog : public QDialog {
    Q_OBJECT
public:
    EntryDialog(const PhoneBookEntry& entry, bool adding, ComPortList comPorts, QWidget* parent = nullptr);

    // The entry as the dialog holds it; after OK, the entry to keep.
    const PhoneBookEntry& Entry() const { return entry_; }
    void SetMessenger(MessageFn fn) { message_ = std::move(fn); }

    // The dialog's limits, in bytes of UTF-8 (what the record keeps).
    static constexpr int kNameNumberLimit = 63;
    static constexpr int kTextLimit = 31;

    void accept() override;

private:
    QWidget* BuildServices();
    QWidget* BuildNumber();
    QWidget* BuildTerminal();
    QWidget* BuildLogin();
    QLineEdit* Limited(int bytes, const char* objectName);
    void Show(const PhoneBookEntry& e);
    // A service or connection button was pressed.
    void Choose();
    void FillNumbers(bool keepText);
    void FollowKind();
    bool Telnet() const;
    bool Serial() const;

    PhoneBookEntry entry_;
    ComPortList comPorts_;
    MessageFn message_ = ShowMessageBox();

    QButtonGroup* services_ = nullptr;
    QButtonGroup* methods_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* numberLabel_ = nullptr;
    QComboBox* number_ = nullptr;
    QLineEdit* port_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QButtonGroup* termType_ = nullptr;
    QCheckBox* autoWrap_ = nullptr;
    QSpinBox* chatLines_ = nullptr;
    QLineEdit* waitUserId_ = nullptr;
    QLineEdit* userId_ = nullptr;
    QLineEdit* waitPassword_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* preSend_ = nullptr;
};

}  // namespace velo

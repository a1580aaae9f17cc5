// The dialogs of the prepared texts: "매크로 정의" (the ten macros) and
// "기능키" (what the function and editing keys send).
#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace velo {

class KeyMap;
class MacroSet;
class SettingsStore;

// Ten edit fields, slots 0 to 9 labelled "매크로 1 :" .. "매크로 9 :" and
// "매크로 0 :". OK copies them into the set and writes all ten entries;
// Cancel changes nothing.
class MacroDefineDialog : public QDialog {
    Q_OBJECT
public:
    MacroDefineDialog(MacroSet& macros, SettingsStore& store, QWidget* parent = nullptr);
    QLineEdit* Field(int slot) const { return fields_[size_t(slot)]; }
    void accept() override;

private:
    MacroSet& macros_;
    SettingsStore& store_;
    std::array<QLineEdit*, 10> fields_{};
};

// One key's sequence and switch, titled "<name> 설정".
class KeyChangeDialog : public QDialog {
    Q_OBJECT
public:
    KeyChangeDialog(const QString& name, const QString& sequence, bool on, QWidget* parent = nullptr);
    QLineEdit* Sequence() const { return edit_; }
    QCheckBox* Switch() const { return check_; }

private:
    QLineEdit* edit_;
    QCheckBox* check_;
};

// "기능키", modeless: entries 0..31 of the live key map. Changes take effect
// at once; OK writes entries 0..31, Cancel (or closing) loads all 50 again.
class KeyMapDialog : public QDialog {
    Q_OBJECT
public:
    // send(index): the entry's sequence to the host; hostFree() tells
    // whether a send is allowed now (no transfer, no scrollback view).
    KeyMapDialog(KeyMap& keys, SettingsStore& store, std::function<bool()> hostFree,
                 std::function<void(int)> send, QWidget* parent = nullptr);

    // "K  " or three blanks, the name padded to 10, " : ", the sequence.
    static QString RowText(const KeyMap& keys, int index);

    QListWidget* List() const { return list_; }
    int Current() const;
    void SendSelected();
    // Opens the change dialog for the selected row (modal).
    void ChangeSelected();
    void DefaultSelected();
    void accept() override;
    void reject() override;

private:
    void RebuildRow(int index);

    KeyMap& keys_;
    SettingsStore& store_;
    std::function<bool()> hostFree_;
    std::function<void(int)> send_;
    QListWidget* list_;
};

}  // namespace velo

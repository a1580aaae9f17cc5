// The phone book dialog "전화 번호부": the list of entries in one of four
// view styles, with its tool bar and context menu (add, edit, delete, save,
// the styles). "전화 걸기" (or a double click) returns a copy of the chosen
// entry; the frame connects it.
//
// The dialog loads the book from the settings store when it is made and saves
// it only when the user says so: the save button, or Yes to the question
// asked when a changed book is left. Its placement ("사각형") is stored
// whenever it closes; the view style ("모양") when it changes.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "connect/PhoneBook.h"
#include "connect/ui/DialogKit.h"

class QAction;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;
class QPushButton;

namespace velo {

class SettingsStore;

class PhoneBookDialog : public QDialog {
    Q_OBJECT
public:
    PhoneBookDialog(SettingsStore& settings, ComPortList comPorts, QWidget* parent = nullptr);

    // Runs the entry dialog on *entry (adding or editing); true on OK. The
    // program's shows EntryDialog; tests answer in its place.
    using EditFn = std::function<bool(QWidget* parent, PhoneBookEntry* entry, bool adding)>;
    void SetEditor(EditFn fn) { edit_ = std::move(fn); }
    void SetMessenger(MessageFn fn) { message_ = std::move(fn); }

    // Tells the user about each entry whose password did not decode (once
    // per entry, as loaded). The frame calls it right before exec().
    void ReportLoadProblems();

    // After "전화 걸기": the chosen entry.
    const std::optional<PhoneBookEntry>& Chosen() const { return chosen_; }

    const std::vector<PhoneBookEntry>& Entries() const { return entries_; }
    bool Modified() const { return modified_; }
    int CurrentRow() const;
    void SelectRow(int row);
    PhoneBookView View() const { return view_; }

    enum Act { Add, Edit, Delete, Save, Large, Small, List, Details, ActCount };
    QAction* Action(Act a) const { return actions_[a]; }
    QPushButton* DialButton() const { return dial_; }

    void AddEntry();
    void EditEntry();
    void DeleteEntry();
    void SaveBook();
    void SetView(PhoneBookView v);
    // "전화 걸기": the selected entry, after the save question when changed.
    void Dial();

    void done(int r) override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildActions();
    void BuildViews();
    void Restore();
    void StorePlacement();
    void UpdateState();
    void SetRow(int row, const PhoneBookEntry& e);
    // Yes/No/Cancel about saving a changed book; false for Cancel.
    bool OfferSave();

    SettingsStore& settings_;
    ComPortList comPorts_;
    std::vector<PhoneBookEntry> entries_;
    std::vector<int> badPasswords_;
    std::optional<PhoneBookEntry> chosen_;
    bool modified_ = false;
    bool asked_ = false;
    PhoneBookView view_ = PhoneBookView::Details;
    EditFn edit_;
    MessageFn message_ = ShowMessageBox();

    QAction* actions_[ActCount] = {};
    QStandardItemModel* model_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QListView* list_ = nullptr;
    QTreeView* details_ = nullptr;
    QPushButton* dial_ = nullptr;
};

}  // namespace velo

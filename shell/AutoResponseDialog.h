// The auto-response editor: the sheet "자동 반응 편집" with one page per
// built-in service (groups 0 to 4; the common group has no page), opened at
// the current service's page. A page takes its group's rows the first time
// it is shown; OK writes back the pages that were shown, each row to the
// table and its three entries to the store; Cancel changes nothing.
#pragma once

#include <QDialog>
#include <array>

#include "terminal/AutoResponse.h"

class QCheckBox;
class QLineEdit;
class QTabWidget;

namespace velo {

class SettingsStore;

// One service's page (dialog "자동 반응 설정"): ten rows of word, response
// and a responding box. A row's response and box work only while its word
// is not empty.
class CARDlg : public QWidget {
    Q_OBJECT
public:
    // Control ids by row, as the page's fields are named.
    static constexpr std::array<int, 10> kWordIds = {1022, 1010, 1011, 1015, 1016, 1017, 1018, 1019, 1020, 1021};
    static constexpr std::array<int, 10> kResponseIds = {1068, 1044, 1046, 1054, 1056, 1058, 1060, 1062, 1064, 1066};
    static constexpr std::array<int, 10> kEnabledIds = {1069, 1045, 1047, 1055, 1057, 1059, 1061, 1063, 1065, 1067};

    explicit CARDlg(int group, QWidget* parent = nullptr);
    int Group() const { return group_; }
    // Fills the rows from the group (host bytes shown as text).
    void Open(const AutoResponseTable& table);
    bool Opened() const { return opened_; }
    // The rows into the table, each also written to the store.
    void Apply(AutoResponseTable& table, SettingsStore& store) const;

    QLineEdit* Word(int row) const { return word_[size_t(row)]; }
    QLineEdit* Response(int row) const { return response_[size_t(row)]; }
    QCheckBox* Enabled(int row) const { return enabled_[size_t(row)]; }

private:
    void WordChanged(int row);

    int group_;
    bool opened_ = false;
    std::array<QLineEdit*, AutoResponseTable::kRows> word_{};
    std::array<QLineEdit*, AutoResponseTable::kRows> response_{};
    std::array<QCheckBox*, AutoResponseTable::kRows> enabled_{};
};

class CARSheet : public QDialog {
    Q_OBJECT
public:
    // service: the current ServiceKind; 5 (none) opens the first page.
    CARSheet(AutoResponseTable& table, SettingsStore& store, int service, QWidget* parent = nullptr);
    CARDlg* Page(int group) const { return pages_[size_t(group)]; }
    QTabWidget* Tabs() const { return tabs_; }

    void accept() override;

private:
    void PageShown(int index);

    AutoResponseTable& table_;
    SettingsStore& store_;
    QTabWidget* tabs_;
    std::array<CARDlg*, 5> pages_{};
};

}  // namespace velo

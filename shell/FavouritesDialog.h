// "자주 가는곳 편집": the favourites in alphabetical order, a field for a new
// one, "추가(&I)", "삭제(&D)", "확인" and "취소". The rules are
// FavouritesEditor's; on OK the bar takes Items() in this order.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "connect/ui/DialogKit.h"
#include "shell/Favourites.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace velo {

class FavouritesDialog : public QDialog {
    Q_OBJECT
public:
    FavouritesDialog(const std::vector<std::string>& barItems, MessageFn message, QWidget* parent = nullptr);
    const std::vector<std::string>& Items() const { return editor_.Items(); }

    QListWidget* List() const { return list_; }   // 1052
    QLineEdit* NewItem() const { return edit_; }  // 1010
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void Add();
    void Delete();
    void Ok();
    void Show(FavouritesEditor::AddResult r);
    void Refill();

    FavouritesEditor editor_;
    MessageFn message_;
    QListWidget* list_;
    QLineEdit* edit_;
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* ok_;
};

}  // namespace velo

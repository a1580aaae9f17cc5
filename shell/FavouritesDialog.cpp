#include "shell/FavouritesDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velo {

FavouritesDialog::FavouritesDialog(const std::vector<std::string>& barItems, MessageFn message, QWidget* parent)
    : QDialog(parent),
      editor_(barItems),
      message_(std::move(message)),
      list_(new QListWidget),
      edit_(new QLineEdit),
      add_(new QPushButton(QStringLiteral("추가(&I)"))),
      delete_(new QPushButton(QStringLiteral("삭제(&D)"))),
      ok_(new QPushButton(QStringLiteral("확인")))
{
    setWindowTitle(QStringLiteral("자주 가는곳 편집"));
    list_->setObjectName(QStringLiteral("1052"));
    edit_->setObjectName(QStringLiteral("1010"));
    auto* cancel = new QPushButton(QStringLiteral("취소"));
    // Enter in the field is "확인", which adds while the field holds text.
    ok_->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("항목 :")), 0, 0);
    grid->addWidget(list_, 1, 0, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("추가할 새로운 항목 :")), 5, 0);
    grid->addWidget(edit_, 6, 0);
    grid->addWidget(ok_, 1, 1);
    grid->addWidget(cancel, 2, 1);
    grid->addWidget(add_, 3, 1);
    grid->addWidget(delete_, 4, 1, Qt::AlignTop);
    Refill();
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& t) {
        editor_.SetNewText(t.toStdString());
        add_->setEnabled(editor_.AddEnabled());
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        editor_.Select(row);
        delete_->setEnabled(editor_.DeleteEnabled());
    });
    connect(add_, &QPushButton::clicked, this, &FavouritesDialog::Add);
    connect(delete_, &QPushButton::clicked, this, &FavouritesDialog::Delete);
    connect(ok_, &QPushButton::clicked, this, &FavouritesDialog::Ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    edit_->setFocus();
}

void FavouritesDialog::Refill()
{
    QSignalBlocker block(list_);
    list_->clear();
    for (const std::string& s : editor_.Items())
        list_->addItem(QString::fromStdString(s));
    list_->setCurrentRow(editor_.Selected());
    add_->setEnabled(editor_.AddEnabled());
    delete_->setEnabled(editor_.DeleteEnabled());
}

void FavouritesDialog::Show(FavouritesEditor::AddResult r)
{
    if (r == FavouritesEditor::AddResult::Added) {
        QSignalBlocker block(edit_);
        edit_->clear();
        Refill();
    } else if (r == FavouritesEditor::AddResult::Exists) {
        message_(this, QMessageBox::Warning, edit_->text(), QStringLiteral("이미 있는 항목입니다."), QMessageBox::Ok);
    }
    // The field keeps the focus for the next item.
    edit_->setFocus();
}

void FavouritesDialog::Add() { Show(editor_.Add()); }

void FavouritesDialog::Delete()
{
    editor_.Delete();
    Refill();
}

void FavouritesDialog::Ok()
{
    FavouritesEditor::AddResult r;
    if (editor_.Ok(&r)) {
        accept();
        return;
    }
    Show(r);
}

}  // namespace velo

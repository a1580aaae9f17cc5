#include "shell/MacroDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/KeyIndex.h"
#include "shell/KeyMap.h"
#include "shell/MacroSet.h"

namespace velo {

namespace {

QDialogButtonBox* OkCancel(QDialog* d)
{
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    b->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    b->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

}  // namespace

// ---- 매크로 정의 ----

MacroDefineDialog::MacroDefineDialog(MacroSet& macros, SettingsStore& store, QWidget* parent)
    : QDialog(parent), macros_(macros), store_(store)
{
    setWindowTitle(QStringLiteral("매크로 정의"));
    auto* form = new QFormLayout;
    // Slots 0..8 are the keys 1..9, slot 9 the key 0: the fields follow the
    // keys' order.
    for (int slot = 0; slot < MacroSet::kSlots; ++slot) {
        auto* e = new QLineEdit(QString::fromStdString(macros.Text(slot)));
        e->setMaxLength(int(MacroSet::kMaxBytes / 4));  // characters of up to 4 UTF-8 bytes
        e->setMinimumWidth(420);
        e->setObjectName(QStringLiteral("macro%1").arg(slot));
        fields_[size_t(slot)] = e;
        form->addRow(QStringLiteral("매크로 %1 :").arg((slot + 1) % 10), e);
    }
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(OkCancel(this));
}

void MacroDefineDialog::accept()
{
    for (int slot = 0; slot < MacroSet::kSlots; ++slot)
        macros_.SetText(slot, fields_[size_t(slot)]->text().toStdString());
    macros_.Save(store_);
    QDialog::accept();
}

// ---- one key ----

KeyChangeDialog::KeyChangeDialog(const QString& name, const QString& sequence, bool on, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(name + QStringLiteral(" 설정"));
    edit_ = new QLineEdit(sequence);
    edit_->setMinimumWidth(300);
    check_ = new QCheckBox(QStringLiteral("설정된 값으로만 사용하기(&K)"));
    check_->setChecked(on);
    auto* note = new QLabel(QStringLiteral(
        "설정된 값으로 사용하기를 선택하지 않으면 원래의 \"Vellow\"의 키정의만을 사용하게 됩니다. 따라서, "
        "변경값을 입력하고 설정된 값으로만 사용하기도 선택하셔야 제대로 작동하게 됩니다."));
    note->setWordWrap(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(edit_);
    lay->addWidget(check_);
    lay->addWidget(note);
    lay->addWidget(OkCancel(this));
}

// ---- 기능키 ----

KeyMapDialog::KeyMapDialog(KeyMap& keys, SettingsStore& store, std::function<bool()> hostFree,
                           std::function<void(int)> send, QWidget* parent)
    : QDialog(parent), keys_(keys), store_(store), hostFree_(std::move(hostFree)), send_(std::move(send))
{
    setWindowTitle(QStringLiteral("기능키"));
    setModal(false);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("keys"));
    // The rows are columns of fixed width.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (int i = 0; i < kKeysInDialog; ++i)
        list_->addItem(RowText(keys_, i));
    list_->setCurrentRow(0);
    // Wide enough for a long sequence, tall enough for 20 of the 32 rows.
    list_->setMinimumWidth(list_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    list_->setMinimumHeight(list_->fontMetrics().lineSpacing() * 20);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { SendSelected(); });

    auto* sendButton = new QPushButton(QStringLiteral("보내기(&T)"));
    auto* change = new QPushButton(QStringLiteral("변경(&S)"));
    auto* reset = new QPushButton(QStringLiteral("기본값(&R)"));
    auto* ok = new QPushButton(QStringLiteral("확인"));
    auto* cancel = new QPushButton(QStringLiteral("취소"));
    ok->setDefault(true);
    connect(sendButton, &QPushButton::clicked, this, [this] { SendSelected(); });
    connect(change, &QPushButton::clicked, this, [this] { ChangeSelected(); });
    connect(reset, &QPushButton::clicked, this, [this] { DefaultSelected(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {sendButton, change, reset})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* lay = new QHBoxLayout(this);
    lay->addWidget(list_, 1);
    lay->addLayout(buttons);
}

QString KeyMapDialog::RowText(const KeyMap& keys, int index)
{
    const QString head = QString(keys.IsSet(index) ? QStringLiteral("K  ") : QStringLiteral("   ")) +
                         QStringLiteral("%1").arg(QString::fromLatin1(KeyMap::Default(index).name), -10);
    return QStringLiteral("%1 : %2").arg(head, QString::fromStdString(keys.Sequence(index)));
}

int KeyMapDialog::Current() const
{
    const int row = list_->currentRow();
    return row >= 0 && row < kKeysInDialog ? row : -1;
}

void KeyMapDialog::SendSelected()
{
    const int i = Current();
    if (i >= 0 && (!hostFree_ || hostFree_()) && send_)
        send_(i);
    list_->setFocus();
}

void KeyMapDialog::ChangeSelected()
{
    const int i = Current();
    if (i < 0)
        return;
    KeyChangeDialog d(QString::fromLatin1(KeyMap::Default(i).name), QString::fromStdString(keys_.Sequence(i)),
                      keys_.IsSet(i), this);
    if (d.exec() != QDialog::Accepted)
        return;
    keys_.Set(i, d.Sequence()->text().toStdString(), d.Switch()->isChecked());
    RebuildRow(i);
}

void KeyMapDialog::DefaultSelected()
{
    const int i = Current();
    if (i < 0)
        return;
    keys_.ResetToDefault(i);
    RebuildRow(i);
}

void KeyMapDialog::RebuildRow(int index)
{
    list_->item(index)->setText(RowText(keys_, index));
    list_->setCurrentRow(index);
}

void KeyMapDialog::accept()
{
    keys_.Save(store_);
    QDialog::accept();
}

void KeyMapDialog::reject()
{
    // Everything changed since the last OK goes back to the stored values.
    keys_.Load(store_);
    QDialog::reject();
}

}  // namespace velo

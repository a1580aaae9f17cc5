#include "shell/AutoResponseDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "connect/ui/DialogButtons.h"
#include "connect/ui/ServiceIcons.h"
#include "shell/HostText.h"

namespace velo {

CARDlg::CARDlg(int group, QWidget* parent) : QWidget(parent), group_(group)
{
    setWindowTitle(QStringLiteral("자동 반응 설정"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("찾을 단어")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("반응")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("반응유무")), 0, 2);
    for (int r = 0; r < AutoResponseTable::kRows; ++r) {
        auto* w = new QLineEdit;
        auto* resp = new QLineEdit;
        auto* box = new QCheckBox;
        w->setObjectName(QString::number(kWordIds[size_t(r)]));
        resp->setObjectName(QString::number(kResponseIds[size_t(r)]));
        box->setObjectName(QString::number(kEnabledIds[size_t(r)]));
        w->setMinimumWidth(140);
        resp->setMinimumWidth(220);
        grid->addWidget(w, r + 1, 0);
        grid->addWidget(resp, r + 1, 1);
        grid->addWidget(box, r + 1, 2, Qt::AlignCenter);
        word_[size_t(r)] = w;
        response_[size_t(r)] = resp;
        enabled_[size_t(r)] = box;
        connect(w, &QLineEdit::textChanged, this, [this, r] { WordChanged(r); });
        WordChanged(r);
    }
}

void CARDlg::WordChanged(int r)
{
    const bool on = !word_[size_t(r)]->text().isEmpty();
    response_[size_t(r)]->setEnabled(on);
    enabled_[size_t(r)]->setEnabled(on);
}

void CARDlg::Open(const AutoResponseTable& table)
{
    for (int r = 0; r < AutoResponseTable::kRows; ++r) {
        const AutoResponseRow& row = table.rows[size_t(group_)][size_t(r)];
        word_[size_t(r)]->setText(FromHost(row.word));
        response_[size_t(r)]->setText(FromHost(row.response));
        enabled_[size_t(r)]->setChecked(row.enabled);
        WordChanged(r);
    }
    opened_ = true;
}

void CARDlg::Apply(AutoResponseTable& table, SettingsStore& store) const
{
    for (int r = 0; r < AutoResponseTable::kRows; ++r) {
        AutoResponseRow& row = table.rows[size_t(group_)][size_t(r)];
        row.word = ToHost(word_[size_t(r)]->text());
        row.response = ToHost(response_[size_t(r)]->text());
        row.enabled = enabled_[size_t(r)]->isChecked();
        table.SaveRow(store, group_, r);
    }
}

CARSheet::CARSheet(AutoResponseTable& table, SettingsStore& store, int service, QWidget* parent)
    : QDialog(parent), table_(table), store_(store), tabs_(new QTabWidget)
{
    setWindowTitle(QStringLiteral("자동 반응 편집"));
    for (int g = 0; g < 5; ++g) {
        pages_[size_t(g)] = new CARDlg(g);
        tabs_->addTab(pages_[size_t(g)], ServiceIcon(g), QString::fromUtf8(AutoResponseTable::Prefix(g)));
    }
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(tabs_);
    lay->addWidget(OkCancelButtons(this));
    tabs_->setCurrentIndex(service >= 0 && service < 5 ? service : 0);
    PageShown(tabs_->currentIndex());
    connect(tabs_, &QTabWidget::currentChanged, this, &CARSheet::PageShown);
}

void CARSheet::PageShown(int index)
{
    if (index >= 0 && index < 5 && !pages_[size_t(index)]->Opened())
        pages_[size_t(index)]->Open(table_);
}

void CARSheet::accept()
{
    for (CARDlg* p : pages_)
        if (p->Opened())
            p->Apply(table_, store_);
    QDialog::accept();
}

}  // namespace velo

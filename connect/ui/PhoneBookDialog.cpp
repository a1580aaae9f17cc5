#include "connect/ui/PhoneBookDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QActionGroup>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "base/WindowRect.h"
#include "connect/ConnUi.h"
#include "connect/ui/EntryDialog.h"
#include "connect/ui/ServiceIcons.h"

namespace velo {

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
QString ProgramName() { return QString::fromUtf8(kProgramName.data(), qsizetype(kProgramName.size())); }

constexpr const char* kHeadings[] = {"호스트 이름", "인터넷 주소, 전화 번호", "이용자 번호"};

}  // namespace

PhoneBookDialog::PhoneBookDialog(SettingsStore& settings, ComPortList comPorts, QWidget* parent)
    : QDialog(parent), settings_(settings), comPorts_(std::move(comPorts))
{
    setWindowTitle(QStringLiteral("전화 번호부"));
    setObjectName(QStringLiteral("PhoneBookDialog"));
    edit_ = [this](QWidget* p, PhoneBookEntry* e, bool adding) {
        EntryDialog d(*e, adding, comPorts_, p);
        d.SetMessenger(message_);
        if (d.exec() != QDialog::Accepted)
            return false;
        *e = d.Entry();
        return true;
    };
    PhoneBookLoad load = LoadPhoneBook(settings_);
    entries_ = std::move(load.entries);
    badPasswords_ = std::move(load.badPasswords);

    auto* lay = new QVBoxLayout(this);
    BuildActions();
    auto* bar = new QToolBar;
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (Act a : {Add, Edit, Delete, Save})
        bar->addAction(actions_[a]);
    bar->addSeparator();
    for (Act a : {Large, Small, List, Details})
        bar->addAction(actions_[a]);
    lay->setMenuBar(bar);
    BuildViews();
    lay->addWidget(stack_, 1);

    auto* buttons = new QDialogButtonBox;
    dial_ = buttons->addButton(QStringLiteral("전화 걸기"), QDialogButtonBox::AcceptRole);
    dial_->setObjectName(QStringLiteral("dial"));
    dial_->setDefault(true);
    QPushButton* close = buttons->addButton(QStringLiteral("닫기"), QDialogButtonBox::RejectRole);
    // The dial button runs Dial itself (the save question first).
    connect(dial_, &QPushButton::clicked, this, &PhoneBookDialog::Dial);
    connect(close, &QPushButton::clicked, this, &PhoneBookDialog::reject);
    lay->addWidget(buttons);

    for (int i = 0; i < int(entries_.size()); ++i) {
        model_->appendRow({new QStandardItem, new QStandardItem, new QStandardItem});
        SetRow(i, entries_[size_t(i)]);
    }
    resize(560, 340);
    SetView(ReadPhoneBookView(settings_));
    Restore();
    if (!entries_.empty())
        SelectRow(0);
    UpdateState();
    if (!badPasswords_.empty()) {
        // Told once the dialog is up, over it.
        QTimer::singleShot(0, this, [this] {
            for (size_t i = 0; i < badPasswords_.size(); ++i)
                message_(this, QMessageBox::Warning, ProgramName(), Q(kBadPasswordMessage), QMessageBox::Ok);
            badPasswords_.clear();
        });
    }
}

void PhoneBookDialog::BuildActions()
{
    struct Row {
        Act act;
        const char* text;
        PhoneBookGlyph glyph;
    } const rows[] = {
        {Add, "항목 추가", PhoneBookGlyph::Add},
        {Edit, "항목 수정", PhoneBookGlyph::Edit},
        {Delete, "항목 삭제", PhoneBookGlyph::Delete},
        {Save, "전화 번호부 저장", PhoneBookGlyph::Save},
        {Large, "큰 아이콘", PhoneBookGlyph::LargeIcons},
        {Small, "작은 아이콘", PhoneBookGlyph::SmallIcons},
        {List, "목록", PhoneBookGlyph::List},
        {Details, "자세히", PhoneBookGlyph::Details},
    };
    auto* styles = new QActionGroup(this);
    for (const Row& r : rows) {
        auto* a = new QAction(PhoneBookToolIcon(r.glyph), Q(r.text), this);
        actions_[r.act] = a;
        if (r.act >= Large) {
            a->setCheckable(true);
            styles->addAction(a);
            const PhoneBookView v = PhoneBookView(r.act - Large);
            connect(a, &QAction::triggered, this, [this, v] {
                SetView(v);
                WritePhoneBookView(settings_, v);
            });
        }
    }
    connect(actions_[Add], &QAction::triggered, this, &PhoneBookDialog::AddEntry);
    connect(actions_[Edit], &QAction::triggered, this, &PhoneBookDialog::EditEntry);
    connect(actions_[Delete], &QAction::triggered, this, &PhoneBookDialog::DeleteEntry);
    connect(actions_[Save], &QAction::triggered, this, &PhoneBookDialog::SaveBook);
    actions_[Delete]->setShortcut(QKeySequence::Delete);
    actions_[Delete]->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actions_[Delete]);
}

void PhoneBookDialog::BuildViews()
{
    model_ = new QStandardItemModel(0, 3, this);
    for (int c = 0; c < 3; ++c)
        model_->setHeaderData(c, Qt::Horizontal, Q(kHeadings[c]));
    selection_ = new QItemSelectionModel(model_, this);

    list_ = new QListView;
    list_->setModel(model_);
    list_->setSelectionModel(selection_);
    list_->setModelColumn(0);
    details_ = new QTreeView;
    details_->setModel(model_);
    details_->setSelectionModel(selection_);
    details_->setRootIsDecorated(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setIconSize(QSize(16, 16));
    // Each column starts one and a half times as wide as its heading.
    const QFontMetrics fm(details_->header()->font());
    for (int c = 0; c < 3; ++c)
        details_->header()->resizeSection(c, fm.horizontalAdvance(Q(kHeadings[c])) * 3 / 2);
    details_->header()->setStretchLastSection(false);

    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(list_), static_cast<QAbstractItemView*>(details_)}) {
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) {
            if (i.isValid())
                Dial();
        });
        connect(v, &QWidget::customContextMenuRequested, this, [this, v](const QPoint& at) {
            QMenu menu(this);
            for (Act a : {Add, Edit, Delete, Save})
                menu.addAction(actions_[a]);
            menu.addSeparator();
            for (Act a : {Large, Small, List, Details})
                menu.addAction(actions_[a]);
            menu.exec(v->viewport()->mapToGlobal(at));
        });
    }
    connect(selection_, &QItemSelectionModel::selectionChanged, this, [this] { UpdateState(); });
    stack_ = new QStackedWidget;
    stack_->addWidget(list_);
    stack_->addWidget(details_);
}

void PhoneBookDialog::SetRow(int row, const PhoneBookEntry& e)
{
    model_->item(row, 0)->setText(QString::fromUtf8(e.name));
    model_->item(row, 0)->setIcon(ServiceIcon(e.service));
    model_->item(row, 1)->setText(QString::fromUtf8(e.number));
    model_->item(row, 2)->setText(QString::fromUtf8(e.userId));
    for (int c = 0; c < 3; ++c)
        model_->item(row, c)->setEditable(false);
}

void PhoneBookDialog::SetView(PhoneBookView v)
{
    view_ = v;
    actions_[Large + int(v)]->setChecked(true);
    if (v == PhoneBookView::Details) {
        stack_->setCurrentWidget(details_);
        return;
    }
    const bool large = v == PhoneBookView::LargeIcons;
    list_->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    list_->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    // Small icons run in rows, the list in columns; both wrap.
    list_->setFlow(v == PhoneBookView::List ? QListView::TopToBottom : QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    list_->setWordWrap(large);
    list_->setGridSize(large ? QSize(96, 64) : QSize());
    list_->setSpacing(large ? 0 : 2);
    stack_->setCurrentWidget(list_);
}

int PhoneBookDialog::CurrentRow() const
{
    const QModelIndexList rows = selection_->selectedRows(0);
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PhoneBookDialog::SelectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        selection_->clearSelection();
        return;
    }
    QModelIndex i = model_->index(row, 0);
    selection_->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(i);
    details_->scrollTo(i);
}

void PhoneBookDialog::UpdateState()
{
    const bool chosen = CurrentRow() >= 0;
    actions_[Edit]->setEnabled(chosen);
    actions_[Delete]->setEnabled(chosen);
    dial_->setEnabled(chosen);
}

void PhoneBookDialog::AddEntry()
{
    PhoneBookEntry e;
    if (!edit_(this, &e, true))
        return;
    entries_.push_back(e);
    model_->appendRow({new QStandardItem, new QStandardItem, new QStandardItem});
    SetRow(model_->rowCount() - 1, e);
    SelectRow(model_->rowCount() - 1);
    modified_ = true;
}

void PhoneBookDialog::EditEntry()
{
    const int row = CurrentRow();
    if (row < 0)
        return;
    PhoneBookEntry e = entries_[size_t(row)];
    if (!edit_(this, &e, false))
        return;
    entries_[size_t(row)] = e;
    SetRow(row, e);
    modified_ = true;
}

void PhoneBookDialog::DeleteEntry()
{
    const int row = CurrentRow();
    if (row < 0)
        return;
    const PhoneBookEntry& e = entries_[size_t(row)];
    const QString title = QStringLiteral("%1 : %2").arg(QString::fromUtf8(e.name), QString::fromUtf8(e.number));
    if (message_(this, QMessageBox::Question, title, QStringLiteral("이 항목을 삭제하시겠습니까?"),
                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    entries_.erase(entries_.begin() + row);
    model_->removeRow(row);
    // The same position, or the new last entry.
    SelectRow(std::min(row, model_->rowCount() - 1));
    modified_ = true;
    UpdateState();
}

void PhoneBookDialog::SaveBook()
{
    SavePhoneBook(settings_, entries_);
    modified_ = false;
}

bool PhoneBookDialog::OfferSave()
{
    if (!modified_)
        return true;
    QMessageBox::StandardButton b =
        message_(this, QMessageBox::Question, ProgramName(),
                 QStringLiteral("전화 번호부가 변경되었습니다.\n저장하시겠습니까?"),
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (b == QMessageBox::Yes)
        SaveBook();
    return b == QMessageBox::Yes || b == QMessageBox::No;
}

void PhoneBookDialog::Dial()
{
    const int row = CurrentRow();
    if (row < 0 || !OfferSave())
        return;
    chosen_ = entries_[size_t(row)];
    StorePlacement();
    QDialog::done(Accepted);
}

void PhoneBookDialog::done(int r)
{
    // Every other way out (닫기, Esc, the window's close) asks about a
    // changed book; Cancel stays in the dialog.
    if (r != Accepted && !OfferSave())
        return;
    if (r == Accepted) {
        Dial();
        return;
    }
    StorePlacement();
    QDialog::done(r);
}

void PhoneBookDialog::closeEvent(QCloseEvent* e)
{
    // The user's close asks (through reject). A close the program sends
    // itself - the frame going away on a termination signal closes its
    // dialogs - must not wait for an answer nobody gives: the changes are
    // dropped, as Cancel would.
    if (e->spontaneous()) {
        QDialog::closeEvent(e);
        return;
    }
    StorePlacement();
    QDialog::done(Rejected);
}

void PhoneBookDialog::StorePlacement()
{
    const QPoint at = pos();
    settings_.WriteString(settings::kPhoneBook, settings::kRect,
                          FormatWindowRect({at.x(), at.y(), at.x() + width(), at.y() + height()}));
}

void PhoneBookDialog::Restore()
{
    WindowRect r;
    if (!ParseWindowRect(settings_.ReadString(settings::kPhoneBook, settings::kRect, ""), &r))
        return;
    const QRect want(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
    // A place on a screen that is gone leaves the dialog where it opens.
    if (!QGuiApplication::screenAt(want.center()))
        return;
    move(want.topLeft());
    resize(want.size());
}

}  // namespace velo

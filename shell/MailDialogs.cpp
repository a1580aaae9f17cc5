#include "shell/MailDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QPlainTextEdit* BodyEdit(const std::string& text)
{
    auto* e = new QPlainTextEdit(Q(text));
    e->setObjectName(QStringLiteral("body"));
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    e->setTabChangesFocus(true);
    e->setMinimumSize(440, 220);
    return e;
}

QLineEdit* Field(const char* name, const std::string& text)
{
    auto* e = new QLineEdit(Q(text));
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

// The "보내기(&S)" and "취소" row of both dialogs (plus `extra` buttons in
// between); returns the send button.
QPushButton* SendRow(QDialog* d, QBoxLayout* lay, const std::function<void(QDialogButtonBox*)>& extra = {})
{
    auto* buttons = new QDialogButtonBox;
    QPushButton* send = buttons->addButton(QStringLiteral("보내기(&S)"), QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("send"));
    send->setDefault(true);
    if (extra)
        extra(buttons);
    buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    lay->addWidget(buttons);
    return send;
}

}  // namespace

// ---- a path field that takes a dropped file

PathDropEdit::PathDropEdit(QWidget* parent) : QLineEdit(parent) { setAcceptDrops(true); }

void PathDropEdit::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(e);
}

void PathDropEdit::dropEvent(QDropEvent* e)
{
    const QList<QUrl> urls = e->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) {
        QLineEdit::dropEvent(e);
        return;
    }
    QString path = urls.first().toLocalFile();
    // At most kMaxBytes bytes, never half a character.
    while (path.toUtf8().size() > kMaxBytes)
        path.chop(path.size() >= 2 && path.at(path.size() - 1).isLowSurrogate() ? 2 : 1);
    setText(path);
    e->acceptProposedAction();
}

// ---- "편지 보내기"

MailDialog::MailDialog(MailJob& last, QWidget* parent) : QDialog(parent), last_(last)
{
    setWindowTitle(QStringLiteral("편지 보내기"));
    recipient_ = Field("recipient", last.recipient);
    cc_ = Field("cc", last.cc);
    cc_->setToolTip(QStringLiteral("하이텔에서만 씁니다"));
    subject_ = Field("subject", last.subject);
    body_ = BodyEdit(last.body);
    attachment_ = new PathDropEdit;
    attachment_->setObjectName(QStringLiteral("attachment"));
    attachment_->setText(Q(last.attachment));
    auto* browse = new QPushButton(QStringLiteral("찾아보기(&B)"));
    browse->setObjectName(QStringLiteral("browse"));
    pick_ = [](QWidget* p) {
        return QFileDialog::getOpenFileName(p, QStringLiteral("열기"), QStringLiteral("*.*"),
                                            QStringLiteral("모든 파일 (*.*)"));
    };
    connect(browse, &QPushButton::clicked, this, [this] {
        QString f = pick_ ? pick_(this) : QString();
        if (!f.isEmpty())
            attachment_->setText(f);
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("수신"), recipient_);
    form->addRow(QStringLiteral("참고"), cc_);
    form->addRow(QStringLiteral("제목"), subject_);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(attachment_, 1);
    fileRow->addWidget(browse);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(body_, 1);
    auto* fileLabel = new QLabel(QStringLiteral("첨부할 파일"));
    lay->addWidget(fileLabel);
    lay->addLayout(fileRow);

    QPushButton* reset = nullptr;
    send_ = SendRow(this, lay, [&](QDialogButtonBox* b) {
        reset = b->addButton(QStringLiteral("초기화"), QDialogButtonBox::ResetRole);
        reset->setObjectName(QStringLiteral("reset"));
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        for (QLineEdit* e : {recipient_, cc_, subject_, static_cast<QLineEdit*>(attachment_)})
            e->clear();
        body_->clear();
    });

    for (QLineEdit* e : {recipient_, subject_, static_cast<QLineEdit*>(attachment_)})
        connect(e, &QLineEdit::textChanged, this, &MailDialog::Follow);
    connect(body_, &QPlainTextEdit::textChanged, this, &MailDialog::Follow);
    Follow();
}

void MailDialog::Follow()
{
    send_->setEnabled(!recipient_->text().isEmpty() && !subject_->text().isEmpty() &&
                      (!body_->toPlainText().isEmpty() || !attachment_->text().isEmpty()));
}

MailJob MailDialog::Job() const
{
    return {S(recipient_->text()), S(cc_->text()), S(subject_->text()), S(body_->toPlainText()),
            S(attachment_->text())};
}

void MailDialog::accept()
{
    // The button follows the fields; a default-button press must not get round it.
    Follow();
    if (!send_->isEnabled())
        return;
    last_ = Job();
    const QString path = attachment_->text();
    if (!path.isEmpty()) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            message_(this, QMessageBox::Warning, windowTitle(),
                     QStringLiteral("파일 %1 가 없습니다.\n확인해 보십시오.").arg(path), QMessageBox::Ok);
            return;
        }
    }
    QDialog::accept();
}

void MailDialog::reject()
{
    last_ = MailJob{};
    QDialog::reject();
}

// ---- "게시물 쓰기"

PostDialog::PostDialog(PostDraft& last, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), last_(last), settings_(settings)
{
    setWindowTitle(QStringLiteral("게시물 쓰기"));
    title_ = Field("title", last.title);
    tag_ = new QComboBox;
    tag_->setObjectName(QStringLiteral("tag"));
    tag_->setEditable(true);
    tag_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& t : PrefixTags::Load(settings).tags)
        if (!t.empty())
            tag_->addItem(Q(t));
    tag_->setCurrentIndex(-1);
    tag_->setEditText(QString());
    useTag_ = new QCheckBox(QStringLiteral("말머리 사용(&T)"));
    useTag_->setObjectName(QStringLiteral("useTag"));
    useTag_->setChecked(settings::ReadIntDefault(settings, settings::kSendSection, settings::kUsePrefixTag) != 0);
    body_ = BodyEdit(last.body);

    auto* tagRow = new QHBoxLayout;
    tagRow->addWidget(tag_, 1);
    tagRow->addWidget(useTag_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("제목"), title_);
    form->addRow(QStringLiteral("말머리"), tagRow);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(body_, 1);

    send_ = SendRow(this, lay);

    connect(title_, &QLineEdit::textChanged, this, &PostDialog::Follow);
    connect(body_, &QPlainTextEdit::textChanged, this, &PostDialog::Follow);
    Follow();
}

void PostDialog::Follow() { send_->setEnabled(!title_->text().isEmpty() && !body_->toPlainText().isEmpty()); }

PostJob PostDialog::Job() const
{
    std::string title = S(title_->text());
    if (useTag_->isChecked())
        title = S(tag_->currentText()) + title;
    return {title, S(body_->toPlainText())};
}

void PostDialog::accept()
{
    Follow();
    if (!send_->isEnabled())
        return;
    last_ = {S(title_->text()), S(tag_->currentText()), S(body_->toPlainText()), useTag_->isChecked()};
    // The store may have changed since the list was filled (another window).
    PrefixTags tags = PrefixTags::Load(settings_);
    tags.Remember(last_.tag);
    tags.SaveUserTags(settings_);
    QDialog::accept();
}

void PostDialog::closeEvent(QCloseEvent* e)
{
    settings_.WriteInt(settings::kSendSection, settings::kUsePrefixTag, useTag_->isChecked() ? 1 : 0);
    settings_.WriteString(settings::kSendSection, settings::kPrefixTag, S(tag_->currentText()));
    QDialog::closeEvent(e);
}

}  // namespace velo

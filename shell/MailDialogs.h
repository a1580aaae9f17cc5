// The dialogs that start the mail and post automation: "편지 보내기" (to,
// cc, subject, body, a file to attach) and "게시물 쓰기" (title, prefix tag,
// body). Each starts from the last values the automation keeps and stores
// them back; what the run sends is taken from the dialog before it starts.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "connect/ui/DialogKit.h"
#include "shell/Automation.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace velo {

class SettingsStore;

// A path field that takes a file dropped on it: the first file's path, cut
// to kMaxBytes bytes of UTF-8 at a character boundary.
class PathDropEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kMaxBytes = 511;
    explicit PathDropEdit(QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};

class MailDialog : public QDialog {
    Q_OBJECT
public:
    // last: the values shown, written back on "보내기", emptied by "취소".
    MailDialog(MailJob& last, QWidget* parent = nullptr);

    MailJob Job() const;
    void SetMessenger(MessageFn fn) { message_ = std::move(fn); }
    // The open-file dialog of "찾아보기" (tests answer in its place).
    using PickFn = std::function<QString(QWidget* parent)>;
    void SetPicker(PickFn fn) { pick_ = std::move(fn); }

    void accept() override;
    void reject() override;

private:
    void Follow();

    MailJob& last_;
    MessageFn message_ = ShowMessageBox();
    PickFn pick_;
    QLineEdit* recipient_;
    QLineEdit* cc_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
    PathDropEdit* attachment_;
    QPushButton* send_;
};

class PostDialog : public QDialog {
    Q_OBJECT
public:
    PostDialog(PostDraft& last, SettingsStore& settings, QWidget* parent = nullptr);

    // The title as it goes out: the tag in front when "말머리 사용" is on.
    PostJob Job() const;
    void accept() override;

protected:
    // The close box keeps the use-prefix switch and the tag text.
    void closeEvent(QCloseEvent* e) override;

private:
    void Follow();

    PostDraft& last_;
    SettingsStore& settings_;
    QLineEdit* title_;
    QComboBox* tag_;
    QCheckBox* useTag_;
    QPlainTextEdit* body_;
    QPushButton* send_;
};

}  // namespace velo

// The rules of "편지 보내기" and "게시물 쓰기": when "보내기" may be pressed,
// what each button keeps or forgets, the missing attachment, the prefix tags
// and what the close box writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QFile>

#include "base/SettingsStore.h"
#include "shell/Automation.h"
#include "shell/MailDialogs.h"
#include "tests/shell/QtTestApp.h"

using namespace velo;

namespace {

template <typename T>
T* Child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void Fill(QDialog& d, const MailJob& j)
{
    Child<QLineEdit>(&d, "recipient")->setText(QString::fromStdString(j.recipient));
    Child<QLineEdit>(&d, "cc")->setText(QString::fromStdString(j.cc));
    Child<QLineEdit>(&d, "subject")->setText(QString::fromStdString(j.subject));
    Child<QPlainTextEdit>(&d, "body")->setPlainText(QString::fromStdString(j.body));
    Child<QLineEdit>(&d, "attachment")->setText(QString::fromStdString(j.attachment));
}

}  // namespace

TEST(MailDialog, SendNeedsRecipientSubjectAndBodyOrFileAndKeepsOrForgetsTheValues)
{
    test::App();
    QTemporaryDir dir;
    const std::string file = dir.filePath("a.bin").toStdString();
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const std::string gone = dir.filePath("gone.bin").toStdString();

    struct Row {
        MailJob job;
        bool enabled;
    } rows[] = {
        {{"id", "", "제목", "본문", ""}, true},
        {{"id", "", "제목", "", file}, true},
        {{"id", "cc", "제목", "본문", file}, true},
        {{"", "", "제목", "본문", file}, false},
        {{"id", "", "", "본문", file}, false},
        {{"id", "cc", "제목", "", ""}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.job.recipient + "/" + r.job.subject + "/" + r.job.body + "/" + r.job.attachment);
        MailJob last;
        MailDialog d(last);
        Fill(d, r.job);
        EXPECT_EQ(Child<QPushButton>(&d, "send")->isEnabled(), r.enabled);
        d.accept();
        // Pressed while disabled (the default button's Enter): nothing happens.
        EXPECT_EQ(d.result(), r.enabled ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(last, r.enabled ? r.job : MailJob{});
        if (r.enabled) {
            EXPECT_EQ(d.Job(), r.job);
        }
    }

    // The values come back next time; "초기화" empties the fields, "취소" the stored values.
    MailJob last{"id", "cc", "제목", "본문", file};
    {
        MailDialog d(last);
        EXPECT_EQ(d.Job(), last);
        Child<QPushButton>(&d, "reset")->click();
        EXPECT_EQ(d.Job(), MailJob{});
        EXPECT_FALSE(Child<QPushButton>(&d, "send")->isEnabled());
        Child<QPushButton>(&d, "cancel")->click();
    }
    EXPECT_EQ(last, MailJob{});

    // A file that cannot be read: the message, the dialog stays open, the values are kept.
    MailDialog d(last);
    QString said;
    d.SetMessenger([&](QWidget*, QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
        said = text;
        return QMessageBox::Ok;
    });
    d.open();
    Fill(d, {"id", "", "제목", "", gone});
    d.accept();
    EXPECT_EQ(said, QStringLiteral("파일 %1 가 없습니다.\n확인해 보십시오.").arg(QString::fromStdString(gone)));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(last.attachment, gone);
    d.SetPicker([&](QWidget*) { return QString::fromStdString(file); });
    Child<QPushButton>(&d, "browse")->click();
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(last.attachment, file);
}

TEST(PostDialog, TagsListedInSlotOrderANewTagBecomesTheUsersNewestAndTheTitleCarriesIt)
{
    test::App();
    MemorySettingsStore store;
    store.WriteString("보내기", "말머리0", "[잡담] ");
    store.WriteString("보내기", "말머리2", "[후기] ");
    store.WriteInt("보내기", "bUsePrefixTag", 1);

    struct Row {
        const char* tag;
        bool use;
        const char* title;  // as sent
        std::vector<std::string> userTags;  // 말머리0..4 afterwards
    } rows[] = {
        {"[질문] ", true, "[질문] 제목", {"[잡담] ", "", "[후기] ", "", ""}},     // built in: kept as is
        {"[후기] ", false, "제목", {"[잡담] ", "", "[후기] ", "", ""}},          // the user's own
        {"[새글] ", true, "[새글] 제목", {"[새글] ", "[잡담] ", "", "[후기] ", ""}},  // newest first
        {"", true, "제목", {"[새글] ", "[잡담] ", "", "[후기] ", ""}},           // no tag, none added
    };
    PostDraft last{"제목", "", "본문", false};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.tag);
        PostDialog d(last, store);
        auto* tag = Child<QComboBox>(&d, "tag");
        // The filled slots in order, the field itself empty.
        QStringList listed;
        for (const std::string& t : PrefixTags::Load(store).tags)
            if (!t.empty())
                listed << QString::fromStdString(t);
        QStringList shown;
        for (int i = 0; i < tag->count(); ++i)
            shown << tag->itemText(i);
        EXPECT_EQ(shown, listed);
        EXPECT_EQ(tag->currentText(), QString());
        EXPECT_TRUE(Child<QCheckBox>(&d, "useTag")->isChecked());
        EXPECT_EQ(Child<QLineEdit>(&d, "title")->text(), QStringLiteral("제목"));

        tag->setEditText(QString::fromUtf8(r.tag));
        Child<QCheckBox>(&d, "useTag")->setChecked(r.use);
        EXPECT_EQ(d.Job().title, r.title);
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(last.tag, r.tag);
        std::vector<std::string> user;
        for (int i = 0; i < 5; ++i)
            user.push_back(store.ReadString("보내기", ("말머리" + std::to_string(i)).c_str(), "?"));
        EXPECT_EQ(user, r.userTags);
        store.WriteInt("보내기", "bUsePrefixTag", 1);
    }

    // "보내기" needs a title and a body; the close box keeps the switch and the tag text.
    for (auto [title, body, enabled] : {std::tuple{"t", "b", true}, {"", "b", false}, {"t", "", false}}) {
        PostDialog d(last, store);
        Child<QLineEdit>(&d, "title")->setText(title);
        Child<QPlainTextEdit>(&d, "body")->setPlainText(body);
        EXPECT_EQ(Child<QPushButton>(&d, "send")->isEnabled(), enabled) << title << "/" << body;
    }
    PostDialog d(last, store);
    d.show();
    Child<QComboBox>(&d, "tag")->setEditText(QStringLiteral("[닫기] "));
    Child<QCheckBox>(&d, "useTag")->setChecked(false);
    d.close();
    EXPECT_EQ(store.ReadInt("보내기", "bUsePrefixTag", -1), 0);
    EXPECT_EQ(store.ReadString("보내기", "PrefixTag", "?"), "[닫기] ");
}

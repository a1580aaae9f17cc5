// Mail and post automation against the demo host playing each service's
// menus over loopback telnet: the user fills "편지 보내기" or "게시물 쓰기",
// the run walks the host's prompts (whole, split, coloured), uploads by
// ZModem into the host's rz, and the host reports what it stored.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "connect/PhoneBook.h"
#include "shell/AppRuntime.h"
#include "shell/Automation.h"
#include "shell/CMainFrame.h"
#include "tests/shell/E2eKit.h"
#include "tests/shell/QtTestApp.h"

using namespace velo;
using test::HistoryText;
using test::PumpUntil;
using test::ScreenText;

namespace {

const char* const kOptions[] = {"chollian", "hitel", "nowcom", "", "kestrix"};

// One upload the host must have taken, in order: the body (its text) or the
// attachment (its bytes), under a name: "" is the body file's own name.
enum class Up { Body, Attachment };
struct Upload {
    Up what;
    const char* name;
};

struct Shown {
    QString text;
    bool exclamation;
    bool operator==(const Shown&) const = default;
};

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

QString Sha(const QByteArray& b) { return QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex(); }

template <typename T>
T* Child(QWidget* w, const char* name)
{
    return w->findChild<T*>(QString::fromLatin1(name));
}

struct AutomationE2e : ::testing::Test {
    QApplication* app = test::App();
    QTemporaryDir dir;
    MemorySettingsStore store;
    QString bodies, report;
    test::DemoHost host;
    std::unique_ptr<AppRuntime> rt;
    std::unique_ptr<CMainFrame> frame;
    std::vector<Shown> shown;
    QByteArray attachment;
    int hosts = 0;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        bodies = dir.filePath("tmp");
        QDir().mkpath(bodies);
        attachment = QByteArray("attached \x00\x18\xff bytes ", 22).repeated(700);
        QFile f(dir.filePath("photo.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(attachment) == attachment.size());
    }
    void TearDown() override { Close(); }
    // Hangs up, closes the window and ends the host.
    void Close()
    {
        if (frame)
            frame->OnCommand(ID_CONN_HANGUP);
        PumpUntil([] { return false; }, 100);
        frame.reset();
        rt.reset();
        host.proc.kill();
        host.proc.waitForFinished(3000);
    }
    // The host playing `service`, logged in, its menu on the screen.
    void Connect(int service, const QStringList& extra = {})
    {
        // A folder of its own: the port file of an earlier host must not be read.
        QString sub = dir.filePath(QStringLiteral("host%1").arg(++hosts));
        QDir().mkpath(sub);
        report = sub + "/report";
        ASSERT_TRUE(host.Start(sub, QStringList{"--service", kOptions[service], "--report", report} + extra));
        PhoneBookEntry e;
        ChooseService(&e, service, true);
        SetEntryText(e.number, "127.0.0.1");
        e.port = host.port;
        SetEntryText(e.userId, "guest");
        SetEntryText(e.password, "pw");
        rt = std::make_unique<AppRuntime>(store, false);
        rt->Scripts().SetTempDir(bodies.toStdString());
        frame = std::make_unique<CMainFrame>(*rt);
        frame->show();
        ASSERT_TRUE(frame->ConnectEntry(e));
        ASSERT_TRUE(Screen("선택 >> ", 20000)) << ScreenText(frame->Terminal());
    }
    bool Screen(const std::string& text, int ms, int times = 1)
    {
        return PumpUntil([&] { return Count(HistoryText(frame->Terminal()), text) >= times; }, ms);
    }
    void Type(const std::string& s) { rt->Conn().ConnWrite(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); }
    bool Running() const { return rt->Flags().ConnState.Automating; }
    QStringList BodyFiles() const { return QDir(bodies).entryList(QDir::Files); }
    // Answers every message box the run shows with its button, keeping what it said.
    test::Modals::Step Box()
    {
        return [this](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                shown.push_back({box->text(), box->icon() == QMessageBox::Warning});
                box->button(QMessageBox::Ok)->click();
            }
        };
    }
    std::vector<QJsonObject> Stored() const
    {
        std::vector<QJsonObject> out;
        for (const QJsonObject& o : test::Report(report))
            if (o["event"] != QStringLiteral("line") && o["event"] != QStringLiteral("login"))
                out.push_back(o);
        return out;
    }
};

}  // namespace

TEST_F(AutomationE2e, MailsAndPostsOfEachServiceReachTheHost)
{
    using enum Up;
    const std::string body = "안녕하세요, 벨로우입니다.\n둘째 줄 ~!@#$%^&*()\n";
    const char* const kTag = "[정보] ";
    struct Row {
        int service;
        bool post;
        const char* to;  // mail: the recipient; post: the title
        bool withBody, withAttachment, useTag;
        std::vector<Shown> shown;
        size_t stored;  // mails or posts the host keeps
        std::vector<Upload> uploads;
    } rows[] = {
        {0, false, "sysop", true, false, false, {{"편지를 보냈습니다.", false}}, 1, {{Body, ""}}},
        {0, false, "sysop", false, true, false, {{"편지를 보냈습니다.", false}}, 1, {{Attachment, "photo.bin"}}},
        {0, false, "sysop", true, true, false, {{"편지를 보냈습니다.", false}}, 1,
         {{Body, ""}, {Attachment, "photo.bin"}}},
        {0, false, "nobody", true, false, false, {{"수신자 ID를 잘못 입력 하였습니다.", true}}, 0, {}},
        {1, false, "sysop", true, false, false, {{"편지를 발송하였습니다.", false}}, 1, {{Body, ""}}},
        {1, false, "sysop", false, true, false, {{"편지를 보냈습니다.", false}}, 1, {{Attachment, "photo.bin"}}},
        // Two mails, one message after the second.
        {1, false, "sysop", true, true, false, {{"편지를 보냈습니다.", false}}, 2,
         {{Body, ""}, {Attachment, "photo.bin"}}},
        {1, false, "nobody", false, true, false, {{"수신자 ID를 잘못 입력 하였습니다.", true}}, 0, {}},
        {2, false, "sysop", true, false, false, {{"편지를 보냈습니다.", false}}, 1, {{Body, ""}}},
        {2, false, "sysop", false, true, false, {{"편지를 보냈습니다.", false}}, 1, {{Attachment, "photo.bin"}}},
        // The body goes under the attachment's name.
        {2, false, "sysop", true, true, false, {{"편지를 보냈습니다.", false}}, 1,
         {{Body, "photo.bin"}, {Attachment, "photo.bin"}}},
        {2, false, "nobody", true, true, false, {{"수신자 ID를 잘못 입력 하였습니다.", true}}, 0, {}},
        {4, false, "sysop", true, false, false, {{"편지를 보냈습니다", false}}, 1, {{Body, ""}}},
        // The attachment, then the text the script always uploads: empty.
        {4, false, "sysop", false, true, false, {{"편지를 보냈습니다", false}}, 1,
         {{Attachment, "photo.bin"}, {Body, ""}}},
        {4, false, "sysop", true, true, false, {{"편지를 보냈습니다", false}}, 1,
         {{Attachment, "photo.bin"}, {Body, ""}}},
        {4, false, "nobody", true, false, false, {{"수신자 ID를 잘못 입력 하였습니다.", true}}, 0, {}},
        {0, true, "첫 글", true, false, true, {{"글을 올렸습니다.", false}}, 1, {{Body, ""}}},
        {1, true, "둘째 글", true, false, false, {{"글을 올렸습니다.", false}}, 1, {{Body, "lalala.txt"}}},
        {2, true, "셋째 글", true, false, true, {{"글을 올렸습니다.", false}}, 1, {{Body, ""}}},
        {4, true, "넷째 글", true, false, false, {{"글을 올렸습니다.", false}}, 1, {{Body, ""}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "service " << r.service << (r.post ? " post " : " mail ") << r.to
                                        << " body " << r.withBody << " attachment " << r.withAttachment);
        Connect(r.service);
        if (HasFatalFailure())
            return;
        shown.clear();
        const QString text = r.withBody ? QString::fromStdString(body) : QString();
        test::Modals m;
        m.Then([&](QWidget* w) {
            if (r.post) {
                Child<QLineEdit>(w, "title")->setText(QString::fromUtf8(r.to));
                Child<QComboBox>(w, "tag")->setEditText(QString::fromUtf8(kTag));
                Child<QCheckBox>(w, "useTag")->setChecked(r.useTag);
            } else {
                Child<QLineEdit>(w, "recipient")->setText(QString::fromUtf8(r.to));
                Child<QLineEdit>(w, "subject")->setText(QStringLiteral("시험 편지"));
                Child<QLineEdit>(w, "attachment")->setText(r.withAttachment ? dir.filePath("photo.bin") : QString());
            }
            Child<QPlainTextEdit>(w, "body")->setPlainText(text);
            Child<QPushButton>(w, "send")->click();
        });
        for (size_t i = 0; i < r.shown.size(); ++i)
            m.Then(Box());
        frame->OnCommand(r.post ? ID_WRITE_POST : ID_SEND_MAIL);
        ASSERT_TRUE(PumpUntil([&] { return !Running() && m.Done(); }, 60000)) << ScreenText(frame->Terminal());
        EXPECT_EQ(shown, r.shown);
        EXPECT_EQ(BodyFiles(), QStringList());

        // The host's side: what it stored, and every upload in order.
        ASSERT_TRUE(PumpUntil([&] { return Stored().size() >= r.stored; }, 5000));
        const std::vector<QJsonObject> stored = Stored();
        ASSERT_EQ(stored.size(), r.stored);
        std::vector<QJsonObject> files;
        for (const QJsonObject& o : stored) {
            EXPECT_EQ(o["event"].toString(), r.post ? "post" : "mail");
            if (r.post)
                EXPECT_EQ(o["title"].toString(), QString::fromUtf8(r.useTag ? kTag : "") + QString::fromUtf8(r.to));
            else
                EXPECT_EQ(o["subject"].toString(), QStringLiteral("시험 편지"));
            for (const QJsonValue& v : o["files"].toArray())
                files.push_back(v.toObject());
        }
        ASSERT_EQ(files.size(), r.uploads.size());
        for (size_t i = 0; i < files.size(); ++i) {
            const Upload& u = r.uploads[i];
            const QString name = files[i]["name"].toString();
            if (u.what == Attachment) {
                EXPECT_EQ(files[i]["sha256"].toString(), Sha(attachment)) << i;
            } else {
                // Lines ended by CR LF, in KS C 5601 (the host reads it so).
                EXPECT_EQ(files[i]["text"].toString(), QString(text).replace("\n", "\r\n")) << i;
            }
            if (*u.name)
                EXPECT_EQ(name.toStdString(), u.name) << i;
            else
                EXPECT_TRUE(name.startsWith("vel") && name.endsWith(".txt")) << name.toStdString();
        }
        if (r.post) {
            // The tag typed is remembered as the newest of the user's tags
            // unless it is a built-in one.
            EXPECT_EQ(PrefixTags::Load(store).tags[5], "");
        }
        Close();
    }
}

// A host that stops answering keeps the run waiting, interval after interval,
// until the user cancels or the line drops: no message, nothing sent after
// the first command, the body file gone, the terminal the user's again.
TEST_F(AutomationE2e, ARunWaitingInVainEndsByCancelOrHangUpWithoutAMessage)
{
    struct Row {
        const char* how;
        bool silentHost;
    } rows[] = {{"cancel", false}, {"cancel", true}, {"hang-up", true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.how) + (r.silentHost ? " silent host" : " answering host"));
        Connect(4, r.silentHost ? QStringList{"--silent"} : QStringList{});
        if (HasFatalFailure())
            return;
        rt->Scripts().SetPollInterval(100);
        shown.clear();
        test::Modals m;
        m.Then([&](QWidget* w) {
            Child<QLineEdit>(w, "recipient")->setText("sysop");
            Child<QLineEdit>(w, "subject")->setText("취소될 편지");
            Child<QPlainTextEdit>(w, "body")->setPlainText("보내지 않습니다.");
            Child<QPushButton>(w, "send")->click();
        });
        m.Then(Box());  // only if one is shown, which must not happen
        frame->OnCommand(ID_SEND_MAIL);
        ASSERT_TRUE(PumpUntil([&] { return Running(); }, 5000));
        if (r.silentHost) {
            // Several intervals pass without the prompt.
            PumpUntil([] { return false; }, 1000);
            ASSERT_TRUE(Running());
        } else {
            // The subject's prompt is up: the script pauses, answers and waits.
            ASSERT_TRUE(Screen("제  목:", 20000)) << ScreenText(frame->Terminal());
        }
        EXPECT_EQ(BodyFiles().size(), qsizetype(1));
        EXPECT_TRUE(frame->CommandEnabled(ID_CANCEL_SENDING));
        EXPECT_FALSE(frame->CommandEnabled(ID_SEND_MAIL));
        frame->OnCommand(std::string(r.how) == "cancel" ? ID_CANCEL_SENDING : ID_CONN_HANGUP);
        ASSERT_TRUE(PumpUntil([&] { return !Running(); }, 5000));
        PumpUntil([] { return false; }, 300);
        EXPECT_EQ(shown, std::vector<Shown>{});
        EXPECT_EQ(BodyFiles(), QStringList());
        EXPECT_FALSE(frame->CommandEnabled(ID_CANCEL_SENDING));
        EXPECT_EQ(Stored().size(), 0u);
        if (std::string(r.how) == "cancel") {
            // Typed lines reach the host again: out of the mail, into the Hangul test.
            const int menus = Count(HistoryText(frame->Terminal()), "선택 >> ");
            Type("0\r5\r");
            if (r.silentHost)
                EXPECT_TRUE(PumpUntil([&] { return test::Report(report).size() >= 4; }, 10000));
            else
                EXPECT_TRUE(Screen("선택 >> ", 10000, menus + 2)) << ScreenText(frame->Terminal());
        }
        Close();
    }
}

// The frame's capture, macro and key-map commands: their rules as the user
// meets them (menus, keys, dialogs answered as a user would), over a line
// that records what goes to the host.
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/MacroDialogs.h"
#include "support/TestKit.h"
#include "terminal/ui/CAnsiTerm.h"

using namespace velo;

namespace {

// Answers the next modal dialogs in order, each once it shows.
class ModalAnswers {
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalAnswers(std::vector<Answer> answers) : answers_(std::move(answers))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == last_ || next_ >= answers_.size())
                return;
            last_ = w;
            answers_[next_++](w);
        });
        timer_.start();
    }
    size_t Answered() const { return next_; }

private:
    std::vector<Answer> answers_;
    size_t next_ = 0;
    QPointer<QWidget> last_;  // null once it is gone, whatever takes its address
    QTimer timer_;
};

ModalAnswers::Answer Click(QMessageBox::StandardButton b)
{
    return [b](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        box->button(b)->click();
    };
}

ModalAnswers::Answer Reject()
{
    return [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
}

ModalAnswers::Answer ChooseFile(const QString& path)
{
    return [path](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->selectFile(path);
        static_cast<QDialog*>(d)->accept();  // the file dialog's own checks run
    };
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct FrameFeatures : ::testing::Test {
    QApplication* app = test::App();
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    SharedFlags& flags = rt.Flags();
    test::QueueLine line;  // what goes to the host
    QTemporaryDir dir;
    void SetUp() override
    {
        rt.Conn().SetTelnetLine(&line);
        store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());
    }
    void TearDown() override { rt.Conn().SetTelnetLine(nullptr); }
    static void Feed(CMainFrame& f, const std::string& s)
    {
        f.Terminal()->Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size()));
    }
};

}  // namespace

TEST_F(FrameFeatures, CaptureFromAltLToTheExitAsTheUserMeetsIt)
{
    const QString file = dir.filePath("cap/session.txt");
    QDir().mkpath(dir.filePath("cap"));
    {
        CMainFrame f(rt);
        f.show();
        // No file yet: start, pause, end and empty are off, choose and Alt+L on.
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_START));
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_PAUSE));
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_EMPTY));
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_OPEN));
        EXPECT_TRUE(f.CommandEnabled(ID_CAPTURE_CHOOSE));
        EXPECT_EQ(f.StatusPaneTexts()[1], "*");

        {
            // Alt+L with the file dialog cancelled starts nothing.
            ModalAnswers a({Reject()});
            f.OnCommand(ID_CAPTURE_TOGGLE);
            EXPECT_EQ(a.Answered(), 1u);
        }
        EXPECT_FALSE(f.CaptureDialogOk());
        EXPECT_EQ(rt.CaptureFile().State(), CaptureState::Stopped);

        {
            // Alt+L, a file chosen: capture runs.
            ModalAnswers a({ChooseFile(file)});
            f.OnCommand(ID_CAPTURE_TOGGLE);
        }
        EXPECT_TRUE(f.CaptureDialogOk());
        EXPECT_EQ(rt.CaptureFile().State(), CaptureState::Capturing);
        EXPECT_TRUE(f.CommandChecked(ID_CAPTURE_START));
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_CHOOSE));
        EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_EMPTY));
        f.RefreshStatusBar();
        EXPECT_EQ(f.StatusPaneTexts()[1], "session.txt");

        std::string lines;
        for (int i = 0; i < 30; ++i)
            lines += "line " + std::to_string(i) + "\r\n";
        Feed(f, lines);
        f.OnCommand(ID_CAPTURE_PAUSE);
        EXPECT_TRUE(f.CommandChecked(ID_CAPTURE_PAUSE));
        EXPECT_TRUE(f.CommandEnabled(ID_CAPTURE_EMPTY));
        {
            // Emptying while paused: asked, erased, still paused.
            ModalAnswers a({Click(QMessageBox::Yes)});
            f.OnCommand(ID_CAPTURE_EMPTY);
        }
        EXPECT_EQ(ReadAll(file), QByteArray());
        EXPECT_EQ(rt.CaptureFile().State(), CaptureState::Paused);
        f.OnCommand(ID_CAPTURE_PAUSE);
        Feed(f, "\x0c" "after\r\n");
        // Code capture is a switch of its own, marked while on.
        f.OnCommand(ID_CODE_CAPTURE);
        EXPECT_TRUE(f.CommandChecked(ID_CODE_CAPTURE));
        f.OnCommand(ID_CODE_CAPTURE);
        // Closing the window ends capture (the screen once) and keeps the name.
        f.close();
    }
    QByteArray got = ReadAll(file);
    EXPECT_TRUE(got.startsWith("line 3\r\n")) << got.left(40).toStdString();  // the screen at the form feed
    EXPECT_EQ(got.count("after\r\n"), 1);
    EXPECT_EQ(store.ReadString("Capture", "CapFile", ""), file.toStdString());
    EXPECT_FALSE(rt.CaptureFile().FileOpen());

    // The next frame starts stopped with the name back; a vanished capture
    // folder is said, then its dialog opens.
    store.WriteString("Capture", "CapDir", dir.filePath("gone").toStdString());
    CMainFrame g(rt);
    EXPECT_TRUE(g.CommandEnabled(ID_CAPTURE_START));
    g.RefreshStatusBar();
    EXPECT_EQ(g.StatusPaneTexts()[1], "session.txt");
    ModalAnswers a({Click(QMessageBox::Ok), Reject()});
    g.OnCommand(ID_OPEN_CAPTURE_DIR);
    EXPECT_EQ(a.Answered(), 2u);
}

TEST_F(FrameFeatures, ACaptureFileThatCannotBeOpenedOffersRetryAndCancelForgetsIt)
{
    store.WriteString("Capture", "CapFile", dir.filePath("no/such/folder/cap.txt").toStdString());
    CMainFrame f(rt);
    ModalAnswers a({Click(QMessageBox::Retry), Click(QMessageBox::Cancel)});
    f.OnCommand(ID_CAPTURE_START);
    EXPECT_EQ(a.Answered(), 2u);
    EXPECT_EQ(rt.CaptureFile().FileName(), "");
    EXPECT_EQ(rt.CaptureFile().State(), CaptureState::Stopped);
    EXPECT_FALSE(f.CommandEnabled(ID_CAPTURE_START));
}

TEST_F(FrameFeatures, MacroKeysSendTheirSlotUnlessAWorkerOrTheViewHasTheHost)
{
    store.WriteString("매크로", "매크로0", "first\\r");
    store.WriteString("매크로", "매크로9", "안녕\\065|5\\e");
    CMainFrame f(rt);
    struct Case {
        const char* what;
        int slot;
        std::function<void()> set;
        std::string want;
    };
    const Case cases[] = {
        {"Ctrl+1: slot 0", 0, [] {}, "first\r"},
        {"Ctrl+0: slot 9, CP949, escapes", 9, [] {}, "\xBE\xC8\xB3\xE7" "A5\x1b"},
        {"an empty slot", 4, [] {}, ""},
        {"Frozen", 0, [&] { flags.TermShared.Frozen = true; }, ""},
        {"Sending", 9, [&] { flags.ConnState.Sending = true; }, ""},
        {"Receiving", 9, [&] { flags.ConnState.Receiving = true; }, ""},
    };
    for (const Case& c : cases) {
        line.out.clear();
        c.set();
        f.OnCommand(MacroSlotCommand(c.slot));
        EXPECT_EQ(line.out, c.want) << c.what;
        flags.TermShared.Frozen = false;
        flags.ConnState.Sending = false;
        flags.ConnState.Receiving = false;
    }
    EXPECT_EQ(f.Action(MacroSlotCommand(9))->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
}

TEST_F(FrameFeatures, TheMacroDialogWritesAllTenOnOkAndNothingOnCancel)
{
    store.WriteString("매크로", "매크로3", "old");
    CMainFrame f(rt);
    {
        ModalAnswers a({[](QWidget* w) {
            auto* d = qobject_cast<MacroDefineDialog*>(w);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->windowTitle(), "매크로 정의");
            EXPECT_EQ(d->Field(3)->text(), "old");
            d->Field(3)->setText("changed");
            d->reject();
        }});
        f.OnCommand(ID_MACRO_DEFINE);
    }
    EXPECT_EQ(store.ReadString("매크로", "매크로3", ""), "old");
    EXPECT_EQ(rt.MacroTexts().Text(3), "old");
    {
        ModalAnswers a({[](QWidget* w) {
            auto* d = qobject_cast<MacroDefineDialog*>(w);
            d->Field(9)->setText("ctrl zero");
            d->accept();
        }});
        f.OnCommand(ID_MACRO_DEFINE);
    }
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(store.ReadString("매크로", "매크로" + std::to_string(k), "unwritten"),
                  k == 3 ? "old" : k == 9 ? "ctrl zero" : "")
            << k;
    line.out.clear();
    f.OnCommand(MacroSlotCommand(9));
    EXPECT_EQ(line.out, "ctrl zero");
}

TEST_F(FrameFeatures, TheKeyMapDialogEditsTheLiveTableOkStoresAndCancelReloads)
{
    store.WriteString("Keyboard", "KEYPAD 5", "\\eOu-stored");
    rt.Keys().Load(store);
    CMainFrame f(rt);
    f.OnCommand(ID_KEYBOARD);
    KeyMapDialog* d = f.KeyMapWindow();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isModal());
    f.OnCommand(ID_KEYBOARD);
    EXPECT_EQ(f.KeyMapWindow(), d);  // one instance

    QListWidget* list = d->List();
    ASSERT_EQ(list->count(), 32);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->text(), "K  F0         : \\e[10~");
    EXPECT_EQ(list->item(5)->text(), "   F5         : \\e[15~");
    EXPECT_EQ(list->item(31)->text(), "   BACKSPACE  : \\127");

    // Send: the selected entry, only while the host is free.
    list->setCurrentRow(6);
    d->SendSelected();
    EXPECT_EQ(line.out, "\x1b[17~");
    flags.TermShared.Frozen = true;
    d->SendSelected();
    EXPECT_EQ(line.out, "\x1b[17~");
    flags.TermShared.Frozen = false;

    // Change F5 (through its dialog): on at once, the row rebuilt and kept selected.
    list->setCurrentRow(5);
    {
        ModalAnswers a({[](QWidget* w) {
            auto* c = qobject_cast<KeyChangeDialog*>(w);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->windowTitle(), "F5 설정");
            EXPECT_FALSE(c->Switch()->isChecked());
            c->Sequence()->setText("\\e[99~");
            c->Switch()->setChecked(true);
            c->accept();
        }});
        d->ChangeSelected();
    }
    EXPECT_EQ(list->item(5)->text(), "K  F5         : \\e[99~");
    EXPECT_EQ(list->currentRow(), 5);
    EXPECT_TRUE(rt.Keys().IsSet(5));
    line.out.clear();
    f.OnCommand(ID_FKEY_FIRST + 4);  // F5 now sends instead of opening the view
    EXPECT_EQ(line.out, "\x1b[99~");
    EXPECT_FALSE(flags.TermShared.Frozen);

    // OK stores 0..31; the keypad entry is never rewritten.
    d->accept();
    EXPECT_EQ(store.ReadString("Keyboard", "F5", ""), "\\e[99~");
    EXPECT_EQ(store.ReadInt("Keyboard", "bActByKeyboardF5", 0), 1);
    EXPECT_EQ(store.ReadString("Keyboard", "KEYPAD 5", ""), "\\eOu-stored");
    EXPECT_EQ(store.ReadInt("Keyboard", "bActByKeyboardKEYPAD 5", -7), -7);

    // Default on a changed entry, then Cancel: the stored values come back,
    // including the change confirmed with OK before.
    QCoreApplication::processEvents();
    f.OnCommand(ID_KEYBOARD);
    d = f.KeyMapWindow();
    ASSERT_NE(d, nullptr);
    d->List()->setCurrentRow(5);
    d->DefaultSelected();
    EXPECT_EQ(d->List()->item(5)->text(), "   F5         : \\e[15~");
    EXPECT_FALSE(rt.Keys().IsSet(5));
    rt.Keys().Set(45, "lost", false);
    d->reject();
    EXPECT_TRUE(rt.Keys().IsSet(5));
    EXPECT_EQ(rt.Keys().Sequence(5), "\\e[99~");
    EXPECT_EQ(rt.Keys().Sequence(45), "\\eOo");
    EXPECT_EQ(rt.Keys().Sequence(37), "\\eOu-stored");
}

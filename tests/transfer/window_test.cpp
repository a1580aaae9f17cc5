// The rules of the transfer window and of the ZModem settings dialog, driven
// through their own controls over a transfer slot whose progress record the
// test writes as the transfer thread would.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>

#include "base/SettingsStore.h"
#include "shell/QtTestApp.h"
#include "support/TestKit.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/CTransferWnd.h"
#include "transfer/ui/PercentPicture.h"
#include "transfer/ui/ZModemSettingsDlg.h"

using namespace velo;

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct WindowTest : ::testing::Test {
    QApplication* app = test::App();
    test::TestOutlets outlets;
    ConnFacade conn{outlets.out};
    zm::ZmTransfer transfer{conn};
    zm::ZmProgress& p = transfer.Progress();
    std::vector<int> progress;
    std::vector<QString> questions;
    bool answer = false;

    std::unique_ptr<CTransferWnd> Make(int direction)
    {
        TransferWindowActions a;
        a.ask = [this](const QString& q) {
            questions.push_back(q);
            return answer;
        };
        a.progress = [this](int pct) { progress.push_back(pct); };
        return std::make_unique<CTransferWnd>(transfer, direction, std::move(a), nullptr);
    }
    QString Text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
};

}  // namespace

TEST_F(WindowTest, FiguresOfAResumedReceiveAndTheLastUpdateAtClose)
{
    auto w = Make(0);
    EXPECT_EQ(w->windowTitle(), "ZModem 파일 받기");
    EXPECT_TRUE(w->findChild<QCheckBox*>("openAfter")->isEnabled());

    // Set up at the first file header: count and total, nothing else yet.
    p.fileCount = 3;
    p.totalBytes = 9000;
    p.fileNumber = 1;
    p.fileSize = 9000;
    p.offset = 4096;
    p.overallBytes = 4096;
    p.SetPath("/down/\xb0\xa1.txt");  // the host's KS C 5601 name
    p.setUp = true;
    w->UpdateFigures();
    EXPECT_EQ(Text(w.get(), "fileCount"), "3");
    EXPECT_EQ(Text(w.get(), "total"), "9000");
    EXPECT_EQ(Text(w.get(), "fileName"), "/down/가.txt");
    EXPECT_TRUE(progress.empty());  // the clock has not started
    EXPECT_EQ(w->findChild<QProgressBar*>("bar")->value(), 0);

    // The first data: 4096 of 9000 announced bytes start the bar at 45.
    p.startMs = NowMs() - 2000;
    p.started = true;
    p.movedBytes = 1;
    p.overallBytes = 4097;
    p.offset = 4097;
    w->UpdateFigures();
    EXPECT_EQ(w->findChild<QProgressBar*>("bar")->value(), 45);
    EXPECT_EQ(w->findChild<PercentPicture*>("percent")->Percent(), 45);
    EXPECT_EQ(progress, std::vector<int>{45});
    EXPECT_EQ(Text(w.get(), "fileNumber"), "1");
    EXPECT_EQ(Text(w.get(), "offset"), "4097");
    EXPECT_EQ(Text(w.get(), "elapsed"), "00:00:02");

    // No byte since the last tick: the fields stay as they are.
    p.offset = 5000;
    w->UpdateFigures();
    EXPECT_EQ(Text(w.get(), "offset"), "4097");
    EXPECT_EQ(progress.size(), 1u);

    // Bytes moved after the last tick show once more when the window closes.
    p.movedBytes = 4904;
    p.overallBytes = 9000;
    p.offset = 9000;
    QPointer<CTransferWnd> guard = w.release();
    guard->Close();
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(Text(guard, "offset"), "9000");
    EXPECT_EQ(Text(guard, "remaining"), "00:00:00");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(WindowTest, SendWithNothingAnnouncedAndMinimisedTitles)
{
    auto w = Make(1);
    EXPECT_EQ(w->windowTitle(), "ZModem 파일 보내기");
    EXPECT_FALSE(w->findChild<QCheckBox*>("openAfter")->isEnabled());
    // Empty files only: a total of 0 while bytes are counted.
    p.direction = 1;
    p.fileNumber = 0;
    p.fileCount = 2;
    p.totalBytes = 0;
    p.setUp = true;
    p.startMs = NowMs();
    p.started = true;
    p.movedBytes = 10;
    w->UpdateFigures();
    EXPECT_EQ(Text(w.get(), "fileNumber"), "1");  // index + 1
    EXPECT_EQ(w->Percent(), 0);
    EXPECT_EQ(Text(w.get(), "remaining"), "00:00:00");

    w->show();
    p.totalBytes = 100;
    p.overallBytes = 37;
    p.movedBytes = 37;
    w->showMinimized();
    w->UpdateFigures();
    EXPECT_EQ(w->windowTitle(), "37% 보냄");
    w->showNormal();
    EXPECT_EQ(w->windowTitle(), "ZModem 파일 보내기");
    EXPECT_EQ(CTransferWnd::PercentTitle(0, 37), "37% 받음");
}

TEST_F(WindowTest, CancelAsksAndOnlyYesCancels)
{
    auto w = Make(0);
    answer = false;
    w->findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(questions, std::vector<QString>{"받기를 취소하시겠습니까"});
    EXPECT_FALSE(outlets.flags.ConnState.TransferCancel);
    EXPECT_FALSE(outlets.flags.DataEvent.Wait(0));
    // The close box asks the same question and the window stays.
    answer = true;
    w->show();
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_TRUE(outlets.flags.ConnState.TransferCancel);
    EXPECT_TRUE(outlets.flags.DataEvent.Wait(0));  // a waiting engine wakes

    auto s = Make(1);
    s->AskCancel();
    EXPECT_EQ(questions.back(), "보내기를 취소하시겠습니까");
}

TEST_F(WindowTest, SwitchesFollowTheBoxesAndOutliveTheWindow)
{
    transfer.Options().OpenAfterReceive = true;
    {
        auto w = Make(0);
        auto* open = w->findChild<QCheckBox*>("openAfter");
        auto* hang = w->findChild<QCheckBox*>("hangUp");
        EXPECT_TRUE(open->isChecked());  // starts from the option
        EXPECT_FALSE(hang->isChecked());
        open->click();
        hang->click();
    }
    EXPECT_FALSE(transfer.Options().OpenAfterReceive);
    EXPECT_TRUE(transfer.Options().HangUpAfterTransfer);
    auto again = Make(0);
    EXPECT_TRUE(again->findChild<QCheckBox*>("hangUp")->isChecked());
}

TEST(ZModemSettings, OpensWithTheStoredValuesAndOkWritesAllFive)
{
    test::App();
    MemorySettingsStore s;
    s.WriteInt("ZModem", "AppendOption", 7);  // out of range: the first choice
    s.WriteInt("ZModem", "AutoUp", 0);
    s.WriteString("ZModem", "UpPath", "/srv/up");
    {
        ZModemSettingsDlg d(s, "/inst");
        EXPECT_EQ(d.windowTitle(), "ZModem 설정");
        EXPECT_EQ(d.AppendChoice(), 0);
        EXPECT_TRUE(d.AutoDown()->isChecked());
        EXPECT_FALSE(d.AutoUp()->isChecked());
        EXPECT_EQ(d.UpPath()->text(), "/srv/up");
        EXPECT_EQ(d.DownPath()->text(), "/inst/Down");
        // Cancel writes nothing.
        d.AutoUp()->setChecked(true);
        d.reject();
    }
    EXPECT_EQ(s.ReadInt("ZModem", "AutoUp", -1), 0);
    EXPECT_EQ(s.ReadInt("ZModem", "AppendOption", -1), 7);
    EXPECT_EQ(s.ReadString("ZModem", "DownPath", "none"), "none");

    ZModemSettingsDlg d(s, "/inst");
    std::vector<std::pair<QString, QString>> asked;
    d.pickFolder = [&](const QString& title, const QString& start) {
        asked.emplace_back(title, start);
        return asked.size() == 1 ? QStringLiteral("/media/down") : QString();
    };
    d.findChild<QPushButton*>("browseDown")->click();
    d.findChild<QPushButton*>("browseUp")->click();  // cancelled: the field stays
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(QStringLiteral("다운로드 디렉토리 선택"), QStringLiteral("/inst/Down")));
    EXPECT_EQ(asked[1], std::make_pair(QStringLiteral("업로드 디렉토리 선택"), QStringLiteral("/srv/up")));
    EXPECT_EQ(d.DownPath()->text(), "/media/down");
    d.AutoDown()->setChecked(false);
    d.accept();
    EXPECT_EQ(s.ReadInt("ZModem", "AutoDown", -1), 0);
    EXPECT_EQ(s.ReadInt("ZModem", "AutoUp", -1), 0);
    EXPECT_EQ(s.ReadInt("ZModem", "AppendOption", -1), 0);
    EXPECT_EQ(s.ReadString("ZModem", "UpPath", ""), "/srv/up");
    EXPECT_EQ(s.ReadString("ZModem", "DownPath", ""), "/media/down");
}

// The chat pane, the auto-response editor and the favourites as the user
// meets them in the frame: keys in the chat fields to bytes on the line,
// the caught line, the pane's size and colours, header and footer; the
// table read at start and the editor's page rules; favourites added from
// the terminal, chosen, edited, and the service keys.
#include <gtest/gtest.h>

#include "tests/shell/FrameKit.h"
#include "tests/shell/QtTestApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include "base/CommandIds.h"
#include "base/SettingsStore.h"
#include "connect/PhoneBookEntry.h"
#include "shell/AppRuntime.h"
#include "shell/AutoResponseDialog.h"
#include "shell/CMainFrame.h"
#include "shell/ChatDialogs.h"
#include "shell/ChatPane.h"
#include "shell/FavouritesDialog.h"
#include "support/TestKit.h"
#include "terminal/ui/CAnsiTerm.h"

using namespace velo;

namespace {

class RecordingSounds : public EventSounds {
public:
    void Play(std::string_view e, bool) override { played.emplace_back(e); }
    std::vector<std::string> played;
};

struct ChatUi : ::testing::Test {
    QApplication* app = test::App();
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    SharedFlags& flags = rt.Flags();
    test::QueueLine line;
    RecordingSounds sounds;

    void SetUp() override
    {
        rt.Conn().SetTelnetLine(&line);
        rt.SetSounds(&sounds);
    }
    void TearDown() override
    {
        rt.Conn().SetTelnetLine(nullptr);
        rt.SetSounds(nullptr);
    }
    std::string Sent()
    {
        std::string s;
        s.swap(line.out);
        return s;
    }
    // The frame shown and active, the chat pane shown.
    std::unique_ptr<CMainFrame> Frame(bool chat = true)
    {
        auto f = std::make_unique<CMainFrame>(rt);
        f->show();
        f->activateWindow();
        QApplication::setActiveWindow(f.get());
        if (chat)
            f->OnCommand(ID_VIEW_CHAT);
        QCoreApplication::processEvents();
        return f;
    }
    static void Type(QWidget* w, const QString& text)
    {
        QInputMethodEvent e(QString(), {});
        e.setCommitString(text);
        QApplication::sendEvent(w, &e);
    }
    intptr_t Message(CMainFrame& f, int msg, const std::string& text)
    {
        return f.OnMessage(msg, 0, reinterpret_cast<intptr_t>(text.c_str()));
    }
};

}  // namespace

TEST_F(ChatUi, PaneTogglesUnderTheTerminalAndTakesTheFocus)
{
    auto f = Frame(false);
    EXPECT_FALSE(f->ChatVisible());
    const int without = f->height();
    f->OnCommand(ID_VIEW_CHAT);
    EXPECT_TRUE(f->ChatVisible());
    EXPECT_TRUE(f->CommandChecked(ID_VIEW_CHAT));
    EXPECT_EQ(f->dockWidgetArea(f->ChatDock()), Qt::BottomDockWidgetArea);
    // Under the terminal, the frame grown to hold it.
    EXPECT_GE(f->ChatDock()->y(), f->Terminal()->geometry().bottom());
    EXPECT_GE(f->height(), without + f->Chat()->height());
    EXPECT_TRUE(f->Chat()->Field(0)->hasFocus());
    f->OnCommand(ID_VIEW_CHAT);
    EXPECT_FALSE(f->ChatVisible());
    EXPECT_TRUE(f->Terminal()->hasFocus());
    EXPECT_EQ(sounds.played, (std::vector<std::string>{"채팅창전환", "채팅창전환"}));

    // The entry's line count, out-of-range counts brought to 1..5; the pane
    // is as wide as the terminal's columns.
    ChatPane* c = f->Chat();
    struct Case {
        int asked, shown;
    };
    for (Case k : {Case{2, 2}, Case{9, 5}, Case{0, 1}}) {
        PhoneBookEntry e;
        e.chatLines = k.asked;
        e.width = 60;
        f->PrepareTerminal(e);
        int shown = 0;
        for (int i = 0; i < ChatLines::kFields; ++i)
            shown += c->Field(i)->isVisibleTo(c);
        EXPECT_EQ(shown, k.shown) << k.asked;
        const int cw = f->Terminal()->CellWidth(), ch = f->Terminal()->CellHeight();
        const int s = c->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        EXPECT_EQ(c->width(), 60 * cw + (s & ~1) + 4);
        EXPECT_EQ(c->height(), k.shown * ch + 30);
        EXPECT_EQ(c->Field(0)->geometry(), QRect(s / 2 + 2, 20, 60 * cw, ch));
    }
}

TEST_F(ChatUi, EnterSendsTheLineWrappedInHeaderAndFooterAsCp949)
{
    auto f = Frame();
    ChatPane* c = f->Chat();
    c->SetPair(0, QStringLiteral("["), QStringLiteral("]"));
    ChatField* l0 = c->Field(0);
    Type(l0, QStringLiteral("안녕"));
    QTest::keyClick(l0, Qt::Key_Return);
    EXPECT_EQ(Sent(), "[\xBE\xC8\xB3\xE7]\r");
    EXPECT_TRUE(c->Field(1)->hasFocus());
    QTest::keyClicks(c->Field(1), "/who");
    QTest::keyClick(c->Field(1), Qt::Key_Return);
    EXPECT_EQ(Sent(), "/who\r");
    // An empty field: one CR; the macro language in a line: its escapes.
    QTest::keyClick(c->Field(2), Qt::Key_Return);
    EXPECT_EQ(Sent(), "\r");
    QTest::keyClicks(c->Field(2), "a\\rb");
    QTest::keyClick(c->Field(2), Qt::Key_Return);
    EXPECT_EQ(Sent(), "[a\rb]\r");
    EXPECT_EQ(c->Field(1)->text(), "a\\rb");  // three lines: the ring scrolled
    // Up and Down move between the fields.
    QTest::keyClick(c->Field(2), Qt::Key_Up);
    EXPECT_TRUE(c->Field(1)->hasFocus());
    QTest::keyClick(c->Field(1), Qt::Key_Down);
    EXPECT_TRUE(c->Field(2)->hasFocus());

    // Control characters go at once and are not inserted; backspace edits.
    ChatField* l2 = c->Field(2);
    QTest::keyClicks(l2, "xy");
    QTest::keyClick(l2, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(l2, Qt::Key_Backspace);
    EXPECT_EQ(Sent(), "\x03");
    EXPECT_EQ(l2->text(), "x");
    // A busy host gets nothing: the line stays where it was typed.
    flags.ConnState.Receiving = true;
    QTest::keyClick(l2, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(l2, Qt::Key_Return);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(l2->text(), "x");
    EXPECT_TRUE(l2->hasFocus());
    flags.ConnState.Receiving = false;
}

TEST_F(ChatUi, CaughtLineGoesIntoTheCurrentFieldOnlyWhileThePaneIsShown)
{
    auto f = Frame(false);
    ChatPane* c = f->Chat();
    Message(*f, WM_CHAT_LINE, "hidden");
    EXPECT_EQ(c->Field(0)->text(), "");
    f->OnCommand(ID_VIEW_CHAT);
    c->Field(1)->setFocus();
    c->Field(1)->setText("old");
    f->Terminal()->setFocus();
    Message(*f, WM_CHAT_LINE, "\xC7\xD1 line");  // host bytes
    EXPECT_EQ(c->Field(1)->text(), "한 line");
    EXPECT_EQ(c->Field(1)->cursorPosition(), 6);
    EXPECT_TRUE(c->Field(1)->hasFocus());
    // The terminal's context menu ending hands the focus back to the pane.
    f->Terminal()->setFocus();
    f->OnCommand(ID_TERM_DONE);
    EXPECT_TRUE(c->Field(1)->hasFocus());
}

TEST_F(ChatUi, HeaderSwitchShowsInTheStatusBarAndColoursAreStoredOnOk)
{
    store.WriteInt("초기 환경", "채팅창글자색", 99);  // out of range: clamped
    store.WriteInt("초기 환경", "채팅창바탕색", 4);
    auto f = Frame();
    ChatPane* c = f->Chat();
    EXPECT_EQ(c->TextColour(), 15);
    EXPECT_EQ(c->BackColour(), 4);
    c->SetPair(0, QStringLiteral("[왼]"), QString());
    c->SetPair(1, QStringLiteral("<<"), QStringLiteral(">>"));
    f->RefreshStatusBar();
    EXPECT_EQ(f->StatusPaneTexts()[3], "말머리:'[왼]'");
    // Shift+Tab in a field is the switch, not a move of the focus.
    QTest::keyClick(c->Field(0), Qt::Key_Backtab, Qt::ShiftModifier);
    f->RefreshStatusBar();
    EXPECT_EQ(f->StatusPaneTexts()[3], "말머리:'<<'");
    EXPECT_TRUE(c->Field(0)->hasFocus());
    QTest::keyClicks(c->Field(0), "x");
    QTest::keyClick(c->Field(0), Qt::Key_Return);
    EXPECT_EQ(Sent(), "<<x>>\r");

    // The dialogs change nothing unless they end with OK.
    ChatColourDialog d(c->TextColour(), c->BackColour());
    EXPECT_EQ(d.windowTitle(), "색 지정");
    EXPECT_EQ(d.TextSlider()->maximum(), 15);
    d.TextSlider()->setValue(2);
    d.BackSlider()->setValue(7);
    EXPECT_EQ(d.TextColour(), 2);
    c->SetColours(d.TextColour(), d.BackColour(), true);
    EXPECT_EQ(store.ReadInt("초기 환경", "채팅창글자색", -1), 2);
    EXPECT_EQ(store.ReadInt("초기 환경", "채팅창바탕색", -1), 7);
    EXPECT_EQ(c->Field(0)->palette().color(QPalette::Base), QColor(191, 191, 191));
    const QString texts[4] = {c->HeaderText(0), c->FooterText(0), c->HeaderText(1), c->FooterText(1)};
    HeaderFooterDialog h(texts);
    EXPECT_EQ(h.findChild<QLineEdit*>("1006")->text(), "<<");
    EXPECT_EQ(h.findChild<QLineEdit*>("1005")->text(), "");
}

TEST_F(ChatUi, AutoResponsesAreReadAtStartAndFireOncePerOccurrence)
{
    store.WriteString("자동 반응 설정", "찾을단어0", "계속?");
    store.WriteString("자동 반응 설정", "반응0", "y\\r");
    store.WriteInt("자동 반응 설정", "반응유무0", 1);
    store.WriteString("자동 반응 설정", "하이텔찾을단어3", "끝");
    store.WriteString("자동 반응 설정", "하이텔반응3", "");  // fires, sends nothing
    store.WriteInt("자동 반응 설정", "하이텔반응유무3", 1);
    auto f = Frame(false);
    flags.TermShared.ServiceKind = 1;
    std::string host = "\xB0\xE8\xBC\xD3?  \xB0\xE8\xBC\xD3? \xB3\xA1";  // "계속?  계속? 끝"
    // Split in the middle of the word: the match goes on across feeds.
    f->Terminal()->Feed(reinterpret_cast<const uint8_t*>(host.data()), 3);
    f->Terminal()->Feed(reinterpret_cast<const uint8_t*>(host.data()) + 3, int(host.size()) - 3);
    EXPECT_EQ(Sent(), "y\ry\r");
}

TEST_F(ChatUi, AutoResponseEditorOpensAtTheServiceAndWritesOnlyOpenedPages)
{
    AutoResponseTable& table = rt.Responses();
    table.rows[2][0] = {"ID:", "guest\\r", true};
    table.rows[4][0] = {"kept", "in memory", true};  // never stored

    for (int service : {2, 5}) {
        CARSheet s(table, store, service);
        EXPECT_EQ(s.windowTitle(), "자동 반응 편집");
        EXPECT_EQ(s.Tabs()->count(), 5);
        EXPECT_EQ(s.Tabs()->tabText(3), "유니텔");
        EXPECT_EQ(s.Tabs()->currentIndex(), service == 2 ? 2 : 0);
    }

    CARSheet s(table, store, 2);
    CARDlg* p = s.Page(2);
    ASSERT_TRUE(p->Opened());
    EXPECT_FALSE(s.Page(4)->Opened());
    EXPECT_EQ(p->findChild<QLineEdit*>("1022")->text(), "ID:");
    EXPECT_TRUE(p->findChild<QCheckBox*>("1069")->isChecked());
    // A row without a word has its response and box switched off until
    // a word is typed.
    QLineEdit* w1 = p->findChild<QLineEdit*>("1010");
    EXPECT_FALSE(p->findChild<QLineEdit*>("1044")->isEnabled());
    EXPECT_FALSE(p->findChild<QCheckBox*>("1045")->isEnabled());
    w1->setText("PW:");
    EXPECT_TRUE(p->findChild<QLineEdit*>("1044")->isEnabled());
    EXPECT_TRUE(p->findChild<QCheckBox*>("1045")->isEnabled());
    p->findChild<QLineEdit*>("1044")->setText("비밀\\r");
    p->findChild<QCheckBox*>("1045")->setChecked(true);
    s.Tabs()->setCurrentIndex(3);  // opened, unchanged
    s.accept();
    EXPECT_EQ(table.rows[2][1].word, "PW:");
    EXPECT_EQ(table.rows[2][1].response, "\xBA\xF1\xB9\xD0\\r");
    EXPECT_EQ(store.ReadString("자동 반응 설정", "나우콤반응1", ""), "비밀\\r");
    EXPECT_EQ(store.ReadInt("자동 반응 설정", "나우콤반응유무1", -1), 1);
    EXPECT_EQ(store.ReadInt("자동 반응 설정", "유니텔반응유무9", -1), 0);
    EXPECT_EQ(store.ReadString("자동 반응 설정", "Kestrix찾을단어0", "unset"), "unset");

    // Cancel changes nothing.
    CARSheet c(table, store, 2);
    c.Page(2)->findChild<QLineEdit*>("1022")->setText("other");
    c.reject();
    EXPECT_EQ(table.rows[2][0].word, "ID:");
    EXPECT_EQ(store.ReadString("자동 반응 설정", "나우콤찾을단어0", ""), "ID:");
}

TEST_F(ChatUi, FavouritesComeFromTheTerminalAndAChoiceSendsGo)
{
    store.WriteInt("자주 가는곳", "갯수", 3);
    store.WriteString("자주 가는곳", "자주가는곳0", "동호회");
    store.WriteString("자주 가는곳", "자주가는곳2", "news");
    auto f = Frame();
    QComboBox* box = f->FavouritesBox();
    ASSERT_NE(box, nullptr);
    auto items = [box] {
        QStringList l;
        for (int i = 0; i < box->count(); ++i)
            l << box->itemText(i);
        return l;
    };
    EXPECT_EQ(items(), (QStringList{"동호회", "news"}));

    Message(*f, WM_ADD_FAVOURITE, "board");
    EXPECT_EQ(items(), (QStringList{"동호회", "news", "board"}));
    EXPECT_EQ(store.ReadInt("자주 가는곳", "갯수", 0), 3);
    EXPECT_EQ(store.ReadString("자주 가는곳", "자주가는곳2", ""), "board");
    // An item already there changes nothing and writes nothing.
    store.DeleteSection("자주 가는곳");
    Message(*f, WM_ADD_FAVOURITE, "board");
    EXPECT_EQ(store.ReadInt("자주 가는곳", "갯수", -1), -1);
    EXPECT_EQ(box->count(), 3);

    // A choice sends "go" and the place in the host's code; the chat pane
    // then has the focus.
    flags.ConnState.Connected = true;
    f->EnableFavourites(true);
    f->Terminal()->setFocus();
    emit box->activated(0);
    EXPECT_EQ(Sent(), "go \xB5\xBF\xC8\xA3\xC8\xB8\r");
    EXPECT_TRUE(f->Chat()->Field(0)->hasFocus());
    flags.TermShared.Frozen = true;
    emit box->activated(2);
    EXPECT_EQ(Sent(), "");
    flags.TermShared.Frozen = false;

    // After the editor the bar holds its sorted list; later additions go
    // to the end.
    test::Modals modals;
    modals.Then([](QWidget* w) {
        auto* d = qobject_cast<FavouritesDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->OkButton()->click();
    });
    f->OnCommand(ID_EDIT_FAVOURITES);
    EXPECT_TRUE(modals.Done());
    EXPECT_EQ(items(), (QStringList{"board", "news", "동호회"}));
    Message(*f, WM_ADD_FAVOURITE, "abc");
    EXPECT_EQ(items(), (QStringList{"board", "news", "동호회", "abc"}));
    EXPECT_EQ(store.ReadString("자주 가는곳", "자주가는곳0", ""), "board");

    // The service keys: Kestrix reads a bare CR for its menus.
    flags.TermShared.ServiceKind = 4;
    for (int id : {ID_SVC_UP, ID_SVC_PREV_ITEM, ID_SVC_NEXT_PAGE})
        f->OnCommand(id);
    EXPECT_EQ(Sent(), "\r\r\r");
    flags.TermShared.ServiceKind = 0;
    f->OnCommand(ID_SVC_UP);
    f->OnCommand(ID_SVC_TOP);
    EXPECT_EQ(Sent(), "m\rgo top\r");
    flags.ConnState.Sending = true;
    f->OnCommand(ID_SVC_ENTER);
    EXPECT_EQ(Sent(), "");
}

TEST_F(ChatUi, FavouritesEditorSaysWhenAnItemExistsAndKeepsItsListSorted)
{
    std::vector<QString> said;
    MessageFn record = [&](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text,
                           QMessageBox::StandardButtons) {
        EXPECT_EQ(icon, QMessageBox::Warning);
        said.push_back(title + "|" + text);
        return QMessageBox::Ok;
    };
    FavouritesDialog d({"zeta", "alpha"}, record);
    EXPECT_EQ(d.List()->count(), 2);
    EXPECT_EQ(d.List()->item(0)->text(), "alpha");
    EXPECT_EQ(d.List()->currentRow(), 0);
    EXPECT_FALSE(d.AddButton()->isEnabled());
    EXPECT_TRUE(d.DeleteButton()->isEnabled());
    d.NewItem()->setText("zeta");
    EXPECT_TRUE(d.AddButton()->isEnabled());
    d.AddButton()->click();
    EXPECT_EQ(said, (std::vector<QString>{"zeta|이미 있는 항목입니다."}));
    d.NewItem()->setText("beta");
    d.OkButton()->click();  // with text: adds, stays open
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(d.List()->item(1)->text(), "beta");
    EXPECT_EQ(d.List()->currentRow(), 1);
    EXPECT_EQ(d.NewItem()->text(), "");
    d.DeleteButton()->click();
    EXPECT_EQ(d.List()->currentItem()->text(), "zeta");
    d.show();
    QTest::keyClick(d.NewItem(), Qt::Key_Return);  // Enter in the field is "확인"
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Items(), (std::vector<std::string>{"alpha", "zeta"}));
}

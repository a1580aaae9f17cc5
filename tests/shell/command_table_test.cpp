// Every command of the frame, by id: it has its action with the table's text
// and key, sits in its menu and on its bar, and is enabled exactly under the
// conditions it names (connected or not, Sending, Receiving, Frozen,
// Automating, ServiceKind).
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QToolBar>
#include <set>

#include "base/CommandIds.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/CommandTable.h"

using namespace velo;

namespace {

using M = MenuPlace;

// When a command is enabled.
enum class When {
    Always,
    Live,             // connected or connecting
    TransferFree,     // connected; none of Sending, Receiving, Frozen, Automating
    AutomationFree,   // TransferFree and ServiceKind 0, 1, 2 or 4
    HostFree,         // none of Sending, Receiving, Frozen (and text to paste)
    ServiceKeys,      // connected, HostFree and ServiceKind 0..4
    NotFrozen,
    Automating,
    Own,              // depends on other state (selection, entry, capture): tested with its feature
};

struct Expect {
    int id;
    M menu;
    When when;
};

// The expected place and rule of every id, in menu order.
const Expect kExpect[] = {
    {ID_FILE_NEW, M::File, When::Always},
    {ID_FILE_OPEN, M::File, When::Always},
    {ID_VTX_VIEW_FILE, M::File, When::Always},
    {ID_NEW_WINDOW, M::File, When::Always},
    {ID_ZMODEM_SEND, M::File, When::TransferFree},
    {ID_ZMODEM_RECEIVE, M::File, When::TransferFree},
    {ID_TEXT_UPLOAD, M::File, When::TransferFree},  // typing into the line needs one, free
    {ID_PRINT_SCREEN, M::File, When::Always},
    {ID_PRINT_SELECTION, M::File, When::Own},
    {ID_PRINT_SETUP, M::File, When::Always},
    {ID_APP_EXIT, M::File, When::Always},
    {ID_PHONE_BOOK, M::Connect, When::Always},
    {ID_MANUAL_DIAL, M::Connect, When::Always},
    {ID_MANUAL_TELNET, M::Connect, When::Always},
    {ID_REDIAL, M::Connect, When::Own},
    {ID_CONN_HANGUP, M::Connect, When::Live},
    {ID_COM_FIRST + 0, M::Connect, When::Always},
    {ID_COM_FIRST + 1, M::Connect, When::Always},
    {ID_COM_FIRST + 2, M::Connect, When::Always},
    {ID_COM_FIRST + 3, M::Connect, When::Always},
    {ID_COM_FIRST + 4, M::Connect, When::Always},
    {ID_COM_FIRST + 5, M::Connect, When::Always},
    {ID_COM_FIRST + 6, M::Connect, When::Always},
    {ID_COM_FIRST + 7, M::Connect, When::Always},
    {ID_COM_FIRST + 8, M::Connect, When::Always},
    {ID_COPY, M::Edit, When::Own},
    {ID_PASTE, M::Edit, When::HostFree},
    {ID_PASTE_ENTER, M::Edit, When::HostFree},
    {ID_EDIT_FAVOURITES, M::Edit, When::Always},
    {ID_VIEW_TOOLBAR, M::View, When::Always},
    {ID_VIEW_PHONEBAR, M::View, When::Always},
    {ID_VIEW_MACROBAR, M::View, When::Always},
    {ID_VIEW_SHORTCUTBAR, M::View, When::Always},
    {ID_VIEW_CAPTUREBAR, M::View, When::Always},
    {ID_VIEW_CHARBAR, M::View, When::Always},
    {ID_VIEW_STATUS_BAR, M::View, When::Always},
    {ID_VIEW_TRANSFERBAR, M::View, When::Always},
    {ID_VIEW_CHAT, M::View, When::Always},
    {ID_RESET_SCREEN, M::Tools, When::Always},
    {ID_CLEAR_SCREEN, M::Tools, When::Always},
    {ID_CAPTURE_OPEN, M::Capture, When::Own},
    {ID_CAPTURE_PAUSE, M::Capture, When::Own},
    {ID_CAPTURE_END, M::Capture, When::Own},
    {ID_CAPTURE_CHOOSE, M::Capture, When::Own},
    {ID_CAPTURE_START, M::Capture, When::Own},
    {ID_ANSI_CAPTURE, M::Capture, When::NotFrozen},
    {ID_CODE_CAPTURE, M::Capture, When::Always},
    {ID_FIND_WORDS, M::Tools, When::Always},
    {ID_CHARMAP, M::Tools, When::Always},
    {ID_VTX_STATE, M::Tools, When::Always},
    {ID_CAR_GAME, M::Tools, When::Always},
    {ID_SEND_MAIL, M::Tools, When::AutomationFree},
    {ID_WRITE_POST, M::Tools, When::AutomationFree},
    {ID_CANCEL_SENDING, M::Tools, When::Automating},
    {ID_TERM_COLOURS, M::Settings, When::Always},
    {ID_CHAT_COLOURS, M::Settings, When::Always},
    {ID_FONT, M::Settings, When::Always},
    {ID_PICTURE_MODE, M::Settings, When::Always},
    {ID_LOCAL_ECHO, M::Settings, When::Always},
    {ID_NEWLINE_MODE, M::Settings, When::Always},
    {ID_BEEP, M::Settings, When::Always},
    {ID_NO_VIDEOTEX, M::Settings, When::Always},
    {ID_KEYBOARD, M::Settings, When::Always},
    {ID_MODEM_SETTINGS, M::Settings, When::Always},
    {ID_COM_SETTINGS[0], M::Settings, When::Always},
    {ID_COM_SETTINGS[1], M::Settings, When::Always},
    {ID_COM_SETTINGS[2], M::Settings, When::Always},
    {ID_COM_SETTINGS[3], M::Settings, When::Always},
    {ID_COM_SETTINGS[4], M::Settings, When::Always},
    {ID_COM_SETTINGS[5], M::Settings, When::Always},
    {ID_COM_SETTINGS[6], M::Settings, When::Always},
    {ID_COM_SETTINGS[7], M::Settings, When::Always},
    {ID_COM_SETTINGS[8], M::Settings, When::Always},
    {ID_COM_RESPONSE, M::Settings, When::Always},
    {ID_DOWNLOAD_DIR, M::Settings, When::Always},
    {ID_CAPTURE_DIR, M::Settings, When::Always},
    {ID_SOUNDS, M::Settings, When::Always},
    {ID_ZMODEM_SETTINGS, M::Settings, When::Always},
    {ID_MACRO_DEFINE, M::Settings, When::Always},
    {MacroSlotCommand(0), M::Settings, When::Always},
    {MacroSlotCommand(1), M::Settings, When::Always},
    {MacroSlotCommand(2), M::Settings, When::Always},
    {MacroSlotCommand(3), M::Settings, When::Always},
    {MacroSlotCommand(4), M::Settings, When::Always},
    {MacroSlotCommand(5), M::Settings, When::Always},
    {MacroSlotCommand(6), M::Settings, When::Always},
    {MacroSlotCommand(7), M::Settings, When::Always},
    {MacroSlotCommand(8), M::Settings, When::Always},
    {MacroSlotCommand(9), M::Settings, When::Always},
    {ID_AUTO_RESPONSE, M::Settings, When::Always},
    {ID_CLICK_MOUSE, M::Settings, When::Always},
    {ID_WHEEL, M::Settings, When::Always},
    {ID_HEADER_FOOTER, M::Settings, When::Always},
    {ID_HEADER_SWITCH, M::Settings, When::Always},
    {ID_VIEW_TOGGLE, M::Window, When::Always},
    {ID_APP_ABOUT, M::Help, When::Always},
    {ID_KESTRIX_GUIDE, M::Help, When::Always},
    {ID_HELP, M::Help, When::Always},  // while F1 is the program's key (the default)
    {ID_SHOW_SPLASH, M::Help, When::Always},
    {ID_TIPS, M::Help, When::Always},
    {ID_ESCAPE, M::None, When::Always},
    {ID_CAPTURE_TOGGLE, M::None, When::Always},
    {ID_CAPTURE_EMPTY, M::None, When::Own},
    {ID_PGUP, M::None, When::Always},
    {ID_PGDN, M::None, When::Always},
    {ID_FKEY_FIRST + 0, M::None, When::Always},
    {ID_FKEY_FIRST + 1, M::None, When::Always},
    {ID_FKEY_FIRST + 2, M::None, When::Always},
    {ID_FKEY_FIRST + 3, M::None, When::Always},
    {ID_FKEY_FIRST + 4, M::None, When::Always},
    {ID_FKEY_FIRST + 5, M::None, When::Always},
    {ID_FKEY_FIRST + 6, M::None, When::Always},
    {ID_FKEY_FIRST + 7, M::None, When::Always},
    {ID_FKEY_FIRST + 8, M::None, When::Always},
    {ID_FKEY_FIRST + 9, M::None, When::Always},
    {ID_FKEY_FIRST + 10, M::None, When::Always},
    {ID_FKEY_FIRST + 11, M::None, When::Always},
    {ID_SHOW_KS, M::None, When::NotFrozen},
    {ID_SHOW_JOHAB, M::None, When::NotFrozen},
    {ID_FONT_LARGER, M::None, When::Always},   // in the default font
    {ID_FONT_SMALLER, M::None, When::Always},  // in the default font
    {ID_SVC_TOP, M::None, When::ServiceKeys},
    {ID_SVC_UP, M::None, When::ServiceKeys},
    {ID_SVC_ENTER, M::None, When::HostFree},
    {ID_SVC_PREV_ITEM, M::None, When::ServiceKeys},
    {ID_SVC_NEXT_ITEM, M::None, When::ServiceKeys},
    {ID_SVC_PREV_PAGE, M::None, When::ServiceKeys},
    {ID_SVC_NEXT_PAGE, M::None, When::ServiceKeys},
    {ID_OPEN_CAPTURE_DIR, M::None, When::Always},
    {ID_OPEN_DOWNLOADS, M::None, When::Always},
    {ID_SELECT_ALL, M::None, When::Always},
    {ID_CATCH_LINE, M::None, When::Always},
    {ID_ADD_FAVOURITE, M::None, When::Own},
    {ID_RECEIVE_FILE, M::None, When::Own},
};

// Commands whose feature has not landed on this branch yet: hidden, like
// their bar buttons. Each group goes when its feature lands (the test fails
// while a landed command is still listed).
const std::set<int> kNotBuiltYet = {
    // auto-response
    ID_AUTO_RESPONSE,
    // chat pane
    ID_VIEW_CHAT, ID_CHAT_COLOURS, ID_HEADER_FOOTER, ID_HEADER_SWITCH,
    // mail and post automation
    ID_SEND_MAIL, ID_WRITE_POST, ID_CANCEL_SENDING,
    // favourites and the shortcut bar's keys
    ID_EDIT_FAVOURITES, ID_SVC_TOP, ID_SVC_UP, ID_SVC_ENTER, ID_SVC_PREV_ITEM, ID_SVC_NEXT_ITEM, ID_SVC_PREV_PAGE,
    ID_SVC_NEXT_PAGE,
};

struct State {
    const char* name;
    bool connected, connecting, sending, receiving, frozen, automating;
    int service;
};

const State kStates[] = {
    {"idle", false, false, false, false, false, false, 5},
    {"connecting", false, true, false, false, false, false, 5},
    {"connected, other service", true, false, false, false, false, false, 5},
    {"connected, service 0", true, false, false, false, false, false, 0},
    {"connected, service 3", true, false, false, false, false, false, 3},
    {"connected, service 4", true, false, false, false, false, false, 4},
    {"sending", true, false, true, false, false, false, 1},
    {"receiving", true, false, false, true, false, false, 1},
    {"frozen", true, false, false, false, true, false, 1},
    {"automating", true, false, false, false, false, true, 2},
    {"idle and frozen", false, false, false, false, true, false, 5},
};

bool Expected(When w, const State& s)
{
    const bool hostFree = !s.sending && !s.receiving && !s.frozen;
    const bool transferFree = s.connected && hostFree && !s.automating;
    switch (w) {
    case When::Always: return true;
    case When::Live: return s.connected || s.connecting;
    case When::TransferFree: return transferFree;
    case When::AutomationFree: return transferFree && (s.service <= 2 || s.service == 4);
    case When::HostFree: return hostFree;
    case When::ServiceKeys: return s.connected && hostFree && s.service >= 0 && s.service <= 4;
    case When::NotFrozen: return !s.frozen;
    case When::Automating: return s.automating;
    case When::Own: return true;
    }
    return true;
}

struct CommandTableTest : ::testing::Test {
    QApplication* app = test::App();
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    SharedFlags& flags = rt.Flags();

    void Set(const State& s)
    {
        flags.ConnState.Connected = s.connected;
        flags.ConnState.Connecting = s.connecting;
        flags.ConnState.Sending = s.sending;
        flags.ConnState.Receiving = s.receiving;
        flags.TermShared.Frozen = s.frozen;
        flags.ConnState.Automating = s.automating;
        flags.TermShared.ServiceKind = s.service;
    }
    void TearDown() override { Set(kStates[0]); }
};

}  // namespace

TEST_F(CommandTableTest, EveryCommandHasItsTextKeyMenuBarAndEnabledRule)
{
    CMainFrame f(rt);
    QGuiApplication::clipboard()->setText(QStringLiteral("붙여 넣을 글"));

    // The expectations cover the table exactly, in its order.
    auto rows = CommandRows();
    ASSERT_EQ(rows.size(), std::size(kExpect));
    std::map<int, QToolBar*> onBar;
    for (const BarRow& b : BarRows())
        for (int id : b.buttons)
            if (id > 0)
                onBar[id] = f.Bar(b.bar);

    for (size_t i = 0; i < rows.size(); ++i) {
        const CommandRow& row = rows[i];
        const Expect& e = kExpect[i];
        SCOPED_TRACE(testing::Message() << "command " << row.id << " " << row.text);
        ASSERT_EQ(row.id, e.id);
        EXPECT_EQ(row.menu, e.menu);
        QAction* a = f.Action(row.id);
        ASSERT_NE(a, nullptr);
        if (kNotBuiltYet.count(row.id)) {
            EXPECT_FALSE(a->isVisible()) << "handled now: take it off the not-built list";
            continue;
        }
        EXPECT_TRUE(a->isVisible());
        // Text, and the key: an accelerator, or (for the key map's keys)
        // shown beside the text.
        QString text = QString::fromUtf8(row.text);
        if (row.keyViaKeyMap) {
            EXPECT_EQ(a->text(), text + u'\t' + QString::fromLatin1(row.key));
            EXPECT_TRUE(a->shortcut().isEmpty());
        } else {
            EXPECT_EQ(a->text(), text);
            EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(row.key), QKeySequence::PortableText));
        }
        if (row.menu != M::None) {
            QMenu* menu = f.Menu(row.menu);
            ASSERT_NE(menu, nullptr);
            EXPECT_TRUE(menu->actions().contains(a));
        }
        if (auto it = onBar.find(row.id); it != onBar.end()) {
            EXPECT_TRUE(it->second->actions().contains(a));
        }
        if (e.when == When::Own)
            continue;
        for (const State& s : kStates) {
            Set(s);
            EXPECT_EQ(f.CommandEnabled(row.id), Expected(e.when, s)) << "state: " << s.name;
        }
        Set(kStates[0]);
    }
}

TEST_F(CommandTableTest, BarsShowTheirButtonsInOrderAndToggleFromTheViewMenu)
{
    CMainFrame f(rt);
    f.show();
    for (const BarRow& b : BarRows()) {
        SCOPED_TRACE(b.caption);
        QToolBar* bar = f.Bar(b.bar);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->windowTitle(), QString::fromUtf8(b.caption));
        EXPECT_EQ(f.toolBarArea(bar), Qt::TopToolBarArea);
        EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
        // The buttons in the table's order, separators where it has them.
        QList<QAction*> acts = bar->actions();
        ASSERT_EQ(acts.size(), qsizetype(b.buttons.size()));
        for (size_t i = 0; i < b.buttons.size(); ++i) {
            int id = b.buttons[i];
            if (id == kBarSeparator) {
                EXPECT_TRUE(acts[qsizetype(i)]->isSeparator());
            } else if (id > 0) {
                EXPECT_EQ(acts[qsizetype(i)], f.Action(id));
                EXPECT_FALSE(f.Action(id)->icon().isNull()) << id;
            }
        }
        EXPECT_TRUE(f.CommandChecked(b.viewCommand));
        f.OnCommand(b.viewCommand);
        EXPECT_TRUE(bar->isHidden());
        EXPECT_FALSE(f.CommandChecked(b.viewCommand));
        f.OnCommand(b.viewCommand);
        EXPECT_FALSE(bar->isHidden());
    }
    // The favourites list is usable only while connected.
    QComboBox* fav = f.FavouritesBox();
    ASSERT_NE(fav, nullptr);
    EXPECT_EQ(fav->width(), 100);
    EXPECT_FALSE(fav->isEnabled());
    f.EnableFavourites(true);
    EXPECT_TRUE(fav->isEnabled());
    // The character bar's code buttons: the standard code starts pressed.
    f.UpdateCommandUi();
    EXPECT_TRUE(f.Action(ID_SHOW_KS)->isChecked());
    EXPECT_FALSE(f.Action(ID_SHOW_JOHAB)->isChecked());
    f.OnCommand(ID_SHOW_JOHAB);
    EXPECT_FALSE(f.Action(ID_SHOW_KS)->isChecked());
    EXPECT_TRUE(f.Action(ID_SHOW_JOHAB)->isChecked());
}

TEST_F(CommandTableTest, BarLayoutIsSavedAndRestoredWhole)
{
    {
        CMainFrame f(rt);
        f.show();
        f.addToolBar(Qt::LeftToolBarArea, f.Bar(BarId::Macro));
        f.OnCommand(ID_VIEW_CAPTUREBAR);
        f.OnCommand(ID_VIEW_STATUS_BAR);
        f.SaveWindowState();
    }
    CMainFrame g(rt);
    g.show();
    g.RestoreWindowState();
    EXPECT_EQ(g.toolBarArea(g.Bar(BarId::Macro)), Qt::LeftToolBarArea);
    EXPECT_TRUE(g.Bar(BarId::Capture)->isHidden());
    EXPECT_FALSE(g.CommandChecked(ID_VIEW_CAPTUREBAR));
    EXPECT_TRUE(g.CommandChecked(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(g.CommandChecked(ID_VIEW_STATUS_BAR));
    // A damaged layout leaves the built-in places.
    store.WriteString("ToolBarState-Summary", "State", "bm90IGEgbGF5b3V0");
    CMainFrame h(rt);
    h.show();
    h.RestoreWindowState();
    EXPECT_EQ(h.toolBarArea(h.Bar(BarId::Macro)), Qt::TopToolBarArea);
    EXPECT_FALSE(h.Bar(BarId::Capture)->isHidden());
    EXPECT_TRUE(h.CommandChecked(ID_VIEW_STATUS_BAR));
}

TEST_F(CommandTableTest, UnknownCommandsAreLoggedNotDropped)
{
    CMainFrame f(rt);
    static QStringList logged;
    logged.clear();
    QtMessageHandler old = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        logged << m;
    });
    f.OnCommand(4242);
    qInstallMessageHandler(old);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(QStringLiteral("4242")));
}

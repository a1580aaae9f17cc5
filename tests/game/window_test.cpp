// The window of car, offscreen, on simulated time: menus, steering by keys
// and mouse, title and score, the board's pixels, the hall of fame and the
// profile. With CAR_SHOT_DIR set it also saves pictures of the window there.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "game/ui/BoardView.h"
#include "game/ui/CMainFrame.h"
#include "game/ui/FameDialog.h"
#include "game/ui/PenaltySound.h"
#include "tests/game/GameTestKit.h"

using namespace car;
namespace fs = std::filesystem;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_game_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Shot(const QPixmap& pm, const char* name)
{
    const char* dir = std::getenv("CAR_SHOT_DIR");
    if (dir && !pm.isNull())
        pm.save(QString::fromUtf8(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

// The whole screen when there is a real one (Xvfb), as a person would see it.
void ScreenShot(const char* name)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !std::getenv("CAR_SHOT_DIR"))
        return;
    QTest::qWait(300);  // let the server show what was painted
    Shot(QGuiApplication::primaryScreen()->grabWindow(0), name);
}

// Answers the modal boxes the window opens, in the order expected; a box
// nobody expected is recorded and closed.
class Responder : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;
    Responder()
    {
        timer_.setInterval(2);
        connect(&timer_, &QTimer::timeout, this, &Responder::Check);
        timer_.start();
    }
    void Expect(Handler h) { handlers_.push_back(std::move(h)); }
    // Expects a message box with this text and presses its one button.
    void ExpectMessage(const QString& text)
    {
        Expect([this, text](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Bumpo Zingle"));
            EXPECT_EQ(box->text(), text);
            ASSERT_EQ(box->buttons().size(), 1);
            EXPECT_EQ(box->buttons()[0]->text(), QStringLiteral("확인"));
            box->buttons()[0]->click();
        });
    }
    bool Done() const { return handlers_.empty(); }
    QStringList unexpected;

private:
    void Check()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("answered").toBool() || !w->isVisible())
            return;
        w->setProperty("answered", true);
        if (handlers_.empty()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            unexpected << (w->windowTitle() + QLatin1Char('|') + (box ? box->text() : QString()));
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
            return;
        }
        Handler h = std::move(handlers_.front());
        handlers_.erase(handlers_.begin());
        h(w);
    }
    QTimer timer_;
    std::vector<Handler> handlers_;
};

class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/car_ui_XXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ / "Brenwick" / "car.ini";
    }
    void TearDown() override
    {
        frame_.reset();
        fs::remove_all(dir_);
    }
    void Open()
    {
        profile_ = std::make_unique<IniFile>(path_.string());
        frame_ = std::make_unique<CMainFrame>(clock_, *profile_, nullptr);
        frame_->show();
        frame_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
    }
    BoardView* Board() { return frame_->Board(); }
    CarGame& Game() { return frame_->Game(); }
    void Left() { QTest::keyClick(Board(), Qt::Key_Left); }
    void Right() { QTest::keyClick(Board(), Qt::Key_Right); }
    void Pump() { frame_->Pump(); }
    void Dodge()
    {
        cartest::SteerTo(Game(), cartest::NearestColumn(Game(), cartest::Safe),
                         [this] { Left(); }, [this] { Right(); });
    }
    void DodgeUntil(const std::function<bool()>& until)
    {
        cartest::Play(Game(), clock_, [this] { Pump(); }, [this] { Dodge(); }, until);
    }
    // Drives into obstacles until the game is over: five push-downs, the
    // warning on the bottom row, the end message, then the hall of fame,
    // which `fame` answers.
    void CrashSixTimes(Responder::Handler fame)
    {
        responder_.ExpectMessage(
            QStringLiteral("막판에 몰렸슴다.\n이럴땐 큰 기술로 승부를 걸어야 함다."));
        responder_.ExpectMessage(QStringLiteral("이럴땐 Zingle를 줘얍니다."));
        responder_.Expect(std::move(fame));
        cartest::Play(
            Game(), clock_, [this] { Pump(); },
            [this] {
                CarGame& g = Game();
                int col = cartest::NearestColumn(g, [](char c) { return c == kObstacle; });
                cartest::SteerTo(g, col, [this] { Left(); }, [this] { Right(); });
            },
            [] { return false; });
        EXPECT_TRUE(responder_.Done());
        EXPECT_TRUE(responder_.unexpected.isEmpty())
            << responder_.unexpected.join(";").toStdString();
    }
    QString Title() { return frame_->windowTitle(); }
    // Whether a cell of the board's picture holds ink of `colour`: a pixel
    // at least half-way from navy to it (glyph edges are antialiased).
    bool HasInk(int col, int row, const QColor& colour)
    {
        const QColor navy = BoardView::kNavy;
        QImage cell = Board()->Canvas().copy(Board()->CellRect(col, row));
        const int dr = colour.red() - navy.red(), dg = colour.green() - navy.green(),
                  db = colour.blue() - navy.blue();
        const int span = std::max({std::abs(dr), std::abs(dg), std::abs(db)});
        for (int y = 0; y < cell.height(); ++y) {
            for (int x = 0; x < cell.width(); ++x) {
                QColor p = cell.pixelColor(x, y);
                int pr = p.red() - navy.red(), pg = p.green() - navy.green(), pb = p.blue() - navy.blue();
                int reach = std::max({std::abs(pr), std::abs(pg), std::abs(pb)});
                if (reach * 2 < span)
                    continue;
                // The same direction from navy: each channel in proportion.
                auto near = [&](int got, int want) { return std::abs(got * span - want * reach) <= 6 * span; };
                if (near(pr, dr) && near(pg, dg) && near(pb, db))
                    return true;
            }
        }
        return false;
    }
    bool AllNavy(int col, int row)
    {
        QImage cell = Board()->Canvas().copy(Board()->CellRect(col, row));
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                if ((cell.pixel(x, y) & 0xFFFFFF) != Rgb(BoardView::kNavy))
                    return false;
        return true;
    }
    static QRgb Rgb(const QColor& c) { return c.rgb() & 0xFFFFFF; }

    // The application exists before any member that needs it.
    struct AppFirst {
        AppFirst() { App(); }
    } appFirst_;
    fs::path dir_, path_;
    cartest::FakeClock clock_;
    std::unique_ptr<IniFile> profile_;
    std::unique_ptr<CMainFrame> frame_;
    Responder responder_;
};

}  // namespace

TEST_F(Window, MenuTitleAndFixedSizeAreThoseOfTheGame)
{
    Open();
    EXPECT_EQ(Title(), QStringLiteral("Bumpo Zingle"));
    QList<QAction*> menus = frame_->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("파일(&F)"));
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions())
        if (!a->isSeparator())
            items << a->text();
    EXPECT_EQ(items, (QStringList{"시작함다(&S)", "상대선수 : Dorran(&V)", "상대선수 : Mirel(&E)",
                                  "상대선수 : Tovik(&M)", "상대선수 : Garsk(&H)", "역대 고수들(&J)",
                                  "Bumpo Zingle는 이런검다.(&A)...", "끝냄다(&X)"}));
    EXPECT_EQ(frame_->StartAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    const char* prompts[] = {"무지 쉬운거", "쉬운거", "보통", "어려운거"};
    for (int level = 0; level < kLevels; ++level) {
        EXPECT_EQ(frame_->LevelAction(level)->statusTip(), QString::fromUtf8(prompts[level]));
        EXPECT_EQ(frame_->LevelAction(level)->isChecked(), level == kDefaultLevel);
    }
    // Pointing at an opponent in the open menu puts its prompt in the status bar.
    QMenu* menu = menus[0]->menu();
    menu->popup(frame_->mapToGlobal(QPoint(0, frame_->menuBar()->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    for (int level : {0, 3}) {
        QTest::mouseMove(menu, menu->actionGeometry(frame_->LevelAction(level)).center());
        // A real display delivers the pointer's move through the server.
        QTest::qWaitFor(
            [&] { return frame_->statusBar()->currentMessage() == QString::fromUtf8(prompts[level]); },
            1000);
        EXPECT_EQ(frame_->statusBar()->currentMessage(), QString::fromUtf8(prompts[level]));
    }
    menu->hide();

    QFontMetrics fm(BoardView::BoardFont());
    QSize cell(fm.horizontalAdvance(QLatin1Char('M')), fm.height());
    EXPECT_EQ(Board()->CellSize(), cell);
    EXPECT_EQ(Board()->size(), QSize(cell.width() * 21, cell.height() * 20));
    EXPECT_EQ(frame_->minimumSize(), frame_->maximumSize());
    EXPECT_FALSE(frame_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Board()->Canvas().pixel(0, 0) & 0xFFFFFF, Rgb(BoardView::kNavy));
}

TEST_F(Window, KeysAndMouseSteerAndEachTurnScrollsTheBoardAndScores)
{
    Open();
    clock_.now = 20240501;
    QTest::keyClick(frame_.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(Game().Playing());
    EXPECT_FALSE(frame_->StartAction()->isEnabled());
    EXPECT_TRUE(HasInk(10, 14, BoardView::kYellow));

    Left();
    EXPECT_EQ(Game().CarCol(), 9);
    EXPECT_TRUE(AllNavy(10, 14));
    EXPECT_TRUE(HasInk(9, 14, BoardView::kYellow));
    QTest::mouseClick(Board(), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseClick(Board(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(Game().CarCol(), 11);
    QTest::mouseClick(Board(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Game().CarCol(), 10);
    for (int i = 0; i < 25; ++i)
        QTest::mouseClick(Board(), Qt::LeftButton);
    EXPECT_EQ(Game().CarCol(), 0);
    for (int i = 0; i < 25; ++i)
        Right();
    EXPECT_EQ(Game().CarCol(), 20);
    EXPECT_EQ(Title(), QStringLiteral("Bumpo Zingle"));  // moves score nothing

    clock_.now += Game().TickLength();
    Pump();
    EXPECT_EQ(Title(), QStringLiteral("점수: 150"));

    // Every later turn moves the old picture down one cell and draws the new
    // top row; only the bands of the car's row and the one below differ.
    DodgeUntil([this] { return Game().RowsMade() >= 40; });
    for (int turn = 0; turn < 30; ++turn) {
        Dodge();
        QImage before = Board()->Canvas().copy();
        int row = Game().CarRow(), rows = Game().RowsMade();
        cartest::Play(Game(), clock_, [this] { Pump(); }, [] {},
                      [&] { return Game().RowsMade() > rows; });
        ASSERT_TRUE(Game().Playing());
        const int h = Board()->CellSize().height();
        for (int r = 1; r < kRows; ++r) {
            if (r == row || r == row + 1)
                continue;
            QRect band(0, r * h, Board()->width(), h);
            ASSERT_EQ(Board()->Canvas().copy(band), before.copy(band.translated(0, -h)))
                << "turn " << turn << " row " << r;
        }
        EXPECT_TRUE(HasInk(Game().CarCol(), row, BoardView::kYellow));
    }
    EXPECT_EQ(Title(), QStringLiteral("점수: %1").arg(Game().Score()));

    // Colours of a fresh top row: bonus cyan, Zingle magenta, obstacle grey,
    // blank navy.
    bool sawBonus = false, sawZingle = false, sawObstacle = false;
    DodgeUntil([&] {
        for (int c = 0; c < kCols; ++c) {
            char ch = Game().Cell(0, c);
            if (ch == kBonus) {
                EXPECT_TRUE(HasInk(c, 0, BoardView::kCyan));
                sawBonus = true;
            } else if (IsZingleCell(ch)) {
                EXPECT_TRUE(HasInk(c, 0, BoardView::kMagenta)) << ch;
                EXPECT_FALSE(HasInk(c, 0, BoardView::kGrey)) << ch;
                sawZingle = true;
            } else if (ch == kObstacle) {
                EXPECT_TRUE(HasInk(c, 0, BoardView::kGrey));
                EXPECT_FALSE(HasInk(c, 0, BoardView::kCyan));
                sawObstacle = true;
            } else {
                EXPECT_TRUE(AllNavy(c, 0));
            }
        }
        return sawBonus && sawZingle && sawObstacle;
    });
    ASSERT_TRUE(Game().Playing());
    Shot(frame_->grab(), "midgame-window");
    ScreenShot("midgame-screen");

    // The opened menu, with the check mark on the current opponent.
    QMenu* menu = frame_->menuBar()->actions()[0]->menu();
    menu->popup(frame_->mapToGlobal(QPoint(0, frame_->menuBar()->height())));
    QTest::qWait(50);
    Shot(menu->grab(), "menu");
    ScreenShot("menu-screen");
    menu->hide();
}

TEST_F(Window, LevelChosenMidGameCountsAtOnce)
{
    Open();
    frame_->StartAction()->trigger();
    clock_.now += Game().TickLength();
    Pump();
    EXPECT_EQ(Title(), QStringLiteral("점수: 150"));
    frame_->LevelAction(3)->trigger();
    frame_->LevelAction(3)->trigger();  // choosing it again keeps it chosen
    for (int level = 0; level < kLevels; ++level)
        EXPECT_EQ(frame_->LevelAction(level)->isChecked(), level == 3);
    clock_.now += Game().TickLength();
    Pump();
    EXPECT_EQ(Title(), QStringLiteral("점수: 350"));
}

TEST_F(Window, HallOfFameTakesTheNameOnOkAndLosesItOnEsc)
{
    Open();
    clock_.now = 777;
    frame_->StartAction()->trigger();
    int finalScore = 0;
    CrashSixTimes([&](QWidget* w) {
        auto* dlg = qobject_cast<FameDialog*>(w);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("고수들"));
        EXPECT_EQ(dlg->Place(), 0);
        finalScore = dlg->ScoreField(0)->text().toInt();
        EXPECT_EQ(finalScore, Game().Score());
        EXPECT_EQ(Title(), QStringLiteral("점수: %1").arg(finalScore));
        // Only the new entry's name can be typed; the others are read-only
        // but enabled, so their text is not greyed out.
        EXPECT_FALSE(dlg->NameField(0)->isReadOnly());
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(dlg->NameField(i)->isEnabled());
        for (int i = 1; i < 5; ++i) {
            EXPECT_TRUE(dlg->NameField(i)->isReadOnly());
            EXPECT_TRUE(dlg->ScoreField(i)->text().isEmpty());
        }
        EXPECT_EQ(dlg->OkButton()->text(), QStringLiteral("확인"));
        EXPECT_EQ(dlg->focusWidget(), dlg->NameField(0));
        // Hangul arrives from the input method as committed text.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("홍길동"));
        QApplication::sendEvent(dlg->NameField(0), &commit);
        Shot(dlg->grab(), "halloffame-dialog");
        ScreenShot("halloffame-screen");
        QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(Game().Playing());
    EXPECT_EQ(Title(), QStringLiteral("Bumpo Zingle"));
    EXPECT_TRUE(frame_->StartAction()->isEnabled());

    std::string text = ReadFile(path_);
    EXPECT_NE(text.find("[고수들]\n사람수=1\n이름0=홍길동\n점수0=" + std::to_string(finalScore) + "\n"),
              std::string::npos)
        << text;

    // A second game, its hall of fame closed with Esc: nothing is written.
    frame_->StartAction()->trigger();
    CrashSixTimes([](QWidget* w) {
        auto* dlg = qobject_cast<FameDialog*>(w);
        ASSERT_TRUE(dlg);
        ASSERT_LT(dlg->Place(), 2);
        QTest::keyClicks(dlg->NameField(dlg->Place()), QStringLiteral("lost"));
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(ReadFile(path_), text);

    // From the menu: the table only, OK focused, written back unchanged (the
    // comment added here goes, as the file is written anew).
    std::ofstream(path_, std::ios::app) << "; touched\n";
    responder_.Expect([&](QWidget* w) {
        auto* dlg = qobject_cast<FameDialog*>(w);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(dlg->Place(), HallOfFame::kPlaces);
        EXPECT_EQ(dlg->NameField(0)->text(), QStringLiteral("홍길동"));
        EXPECT_EQ(dlg->ScoreField(0)->text(), QString::number(finalScore));
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(dlg->NameField(i)->isEnabled());
            EXPECT_TRUE(dlg->NameField(i)->isReadOnly());
        }
        EXPECT_EQ(dlg->focusWidget(), dlg->OkButton());
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    frame_->FameAction()->trigger();
    EXPECT_TRUE(responder_.Done());
    EXPECT_EQ(ReadFile(path_), text);
}

TEST_F(Window, ClosingIsRefusedDuringAGameAndPositionAndLevelAreKept)
{
    fs::create_directories(path_.parent_path());
    std::ofstream(path_) << "[초기환경]\n난이도=0\nX=40\nY=30\n";
    Open();
    EXPECT_TRUE(frame_->LevelAction(0)->isChecked());
    EXPECT_EQ(Game().Level(), 0);
    EXPECT_EQ(frame_->pos(), QPoint(40, 30));

    frame_->StartAction()->trigger();
    EXPECT_EQ(Game().TickLength(), 120);
    responder_.ExpectMessage(QStringLiteral("어허, 일단 시작했음 끝을 봐야함다!"));
    EXPECT_FALSE(frame_->close());
    EXPECT_TRUE(frame_->isVisible());
    EXPECT_TRUE(responder_.Done());
    frame_->LevelAction(3)->trigger();
    CrashSixTimes([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });

    frame_->move(120, 90);
    EXPECT_TRUE(frame_->close());
    EXPECT_TRUE(responder_.unexpected.isEmpty());
    IniFile stored(path_.string());
    EXPECT_EQ(stored.ReadInt("초기환경", "난이도", -1), 3);
    EXPECT_EQ(stored.ReadInt("초기환경", "X", -1), 120);
    EXPECT_EQ(stored.ReadInt("초기환경", "Y", -1), 90);

    // A new window comes back there, with that opponent.
    frame_.reset();
    Open();
    EXPECT_TRUE(frame_->LevelAction(3)->isChecked());
    EXPECT_EQ(frame_->pos(), QPoint(120, 90));
}

TEST_F(Window, AboutBoxSaysWhatTheGameIs)
{
    Open();
    responder_.Expect([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Bumpo Zingle란..."));
        QStringList lines;
        for (QLabel* l : w->findChildren<QLabel*>())
            if (!l->text().isEmpty())
                lines << l->text();
        EXPECT_EQ(lines, (QStringList{"Bumpo Zingle 버전 1.0",
                                      "이 프로그램은 \"Vellow\"가 파일 송수신중일때\n"
                                      "무료함을 달래기 위한 프로그램입니다.",
                                      "사용법 : 좌우 화살표 키를 써서 '*'를 피한다.",
                                      "주의 : \"Zingle\"를 먹으면 10000점 감점.",
                                      "팁 : \"b\"는 보너스로서 10000점 가산."}));
        bool hasIcon = false;
        for (QLabel* l : w->findChildren<QLabel*>())
            hasIcon |= !l->pixmap().isNull();
        EXPECT_TRUE(hasIcon);
        QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons[0]->text(), QStringLiteral("확인"));
        Shot(w->grab(), "about");
        buttons[0]->click();
    });
    frame_->AboutAction()->trigger();
    EXPECT_TRUE(responder_.Done());
}

// Every box opens centred on the game window (the window is narrow: the
// boxes stand over it) and whole on the screen, also when the window sits in
// a corner; the hall of fame shows each name whole, and a name longer than
// any typed (from an edited profile) does not widen it past the screen.
TEST_F(Window, BoxesOpenCentredOnTheWindowAndWholeOnTheScreen)
{
    fs::create_directories(path_.parent_path());
    std::ofstream(path_) << "[고수들]\n사람수=3\n이름0=홍길동\n점수0=123450\n이름1=Bumpo King\n"
                            "점수1=98000\n이름2=가나다라마바사아자차카타파하\n점수2=-30000\n";
    Open();
    const QRect area = frame_->screen()->availableGeometry();
    const QSize size = frame_->frameGeometry().size();
    const struct {
        const char* where;
        QPoint at;
        bool centred;  // room for the boxes around the window
    } places[] = {
        {"middle", area.center() - QPoint(size.width() / 2, size.height() / 2), true},
        {"top left", area.topLeft(), false},
        {"bottom right", area.bottomRight() - QPoint(size.width() - 1, size.height() - 1), false},
    };
    const struct {
        const char* box;
        std::function<void()> open;
    } boxes[] = {
        {"about", [&] { frame_->AboutAction()->trigger(); }},
        {"hall of fame", [&] { frame_->FameAction()->trigger(); }},
        {"message", [&] { frame_->close(); }},  // refused during a game
    };
    frame_->StartAction()->trigger();
    for (const auto& place : places) {
        frame_->move(place.at);
        for (const auto& box : boxes) {
            const std::string what = std::string(box.box) + " over the window at the " + place.where;
            responder_.Expect([&](QWidget* w) {
                const QRect r = w->frameGeometry();
                EXPECT_TRUE(area.contains(r)) << what;
                if (place.centred) {
                    const QPoint off = r.center() - frame_->frameGeometry().center();
                    EXPECT_LE(off.manhattanLength(), 1) << what << ": off by " << off.x() << "," << off.y();
                }
                if (auto* fame = qobject_cast<FameDialog*>(w)) {
                    for (int i = 0; i < 3; ++i) {
                        QLineEdit* name = fame->NameField(i);
                        name->end(false);
                        name->grab();  // a line edit scrolls to its cursor as it paints
                        EXPECT_EQ(name->cursorPositionAt(QPoint(1, name->height() / 2)), 0)
                            << what << ": " << name->text().toStdString() << " not whole";
                    }
                }
                QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
            });
            box.open();
            EXPECT_TRUE(responder_.Done()) << what;
        }
    }

    std::string longName;
    for (int i = 0; i < 60; ++i)
        longName += "아주긴이름";
    std::ofstream(path_) << "[고수들]\n사람수=1\n이름0=" << longName << "\n점수0=5\n";
    responder_.Expect([&](QWidget* w) {
        auto* fame = qobject_cast<FameDialog*>(w);
        ASSERT_TRUE(fame);
        EXPECT_TRUE(area.contains(fame->frameGeometry()));
        EXPECT_EQ(fame->NameField(0)->text().toStdString(), longName);
        QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    });
    frame_->FameAction()->trigger();
    EXPECT_TRUE(responder_.Done());
    EXPECT_TRUE(responder_.unexpected.isEmpty()) << responder_.unexpected.join(";").toStdString();
}

TEST_F(Window, TheWindowsOwnTimerDrivesTheGameInRealTime)
{
    SteadyClock steady;
    IniFile profile((dir_ / "real.ini").string());
    CMainFrame frame(steady, profile, nullptr);
    frame.show();
    frame.StartAction()->trigger();
    // The first fourteen rows to reach the car are blank: no collision yet.
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.Game().RowsMade() >= 5; }, 10000));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("점수: %1").arg(frame.Game().Score()));
    EXPECT_GT(frame.Game().Score(), 0);
}

TEST(PenaltySound, WithoutAudioDeviceOrFileItIsSilence)
{
    App();
    PenaltySound missing(QStringLiteral("/nonexistent/car_penalty.wav"));
    missing.Play();
    missing.Play();
    PenaltySound real(QString::fromUtf8(CAR_PENALTY_WAV));
    real.Play();
    real.Play();
}

// The window of `car`: the board, the menu "파일(&F)", the status bar and the
// title that shows the score. It draws what the game asks, feeds it the moves
// and drives its turns with a timer.
#pragma once

#include <QMainWindow>
#include <optional>

#include "game/CarGame.h"
#include "game/Profile.h"

class QAction;
class QDialog;
class QTimer;

namespace car {

class BoardView;
class PenaltySound;

class CMainFrame : public QMainWindow, public GameView {
    Q_OBJECT
public:
    // The clock, profile and sound outlive the window.
    CMainFrame(Clock& clock, IniFile& profile, PenaltySound* sound, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CarGame& Game() { return game_; }
    BoardView* Board() const { return board_; }
    QAction* StartAction() const { return startAct_; }
    QAction* LevelAction(int level) const { return levelActs_[level]; }
    QAction* FameAction() const { return fameAct_; }
    QAction* AboutAction() const { return aboutAct_; }
    QAction* ExitAction() const { return exitAct_; }

    // Runs the turns that are due and sets the timer for the next one.
    void Pump();

    // GameView
    void ClearBoard() override;
    void DrawCar(int col, int row, bool crashed) override;
    void BlankCell(int col, int row) override;
    void ScrollDown(const Row& newTop) override;
    void ShowScore(int score) override;
    void ShowIdle() override;
    void PlayPenalty() override;
    void Notify(GameMessage msg) override;
    void GameOver(int score) override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateStatusBar();
    void ReadSettings();
    void WriteSettings();

    void OnStart();
    void OnLevel(int level);
    void ShowFame(std::optional<int> newScore);
    void OnAbout();
    // Every modal box goes through here: the game's timer stands still while
    // one is open, as the game loop did under a modal box, and the box opens
    // centred on the window.
    int RunModal(QDialog& dlg);
    void Message(const QString& text, bool warning);

    Clock& clock_;
    IniFile& profile_;
    PenaltySound* sound_;
    CarGame game_;
    BoardView* board_ = nullptr;
    QTimer* timer_ = nullptr;
    int modalDepth_ = 0;

    QAction* startAct_ = nullptr;
    QAction* levelActs_[kLevels] = {};
    QAction* fameAct_ = nullptr;
    QAction* aboutAct_ = nullptr;
    QAction* exitAct_ = nullptr;
};

}  // namespace car

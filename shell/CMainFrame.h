// The main frame: the program's one top-level window. It holds the terminal,
// is fitted to it (no sizing border, no maximise box), carries the menus, the
// status bar with its 11 panes refreshed every second, the title, the frame
// timers 100 (receive every 2000 ms while connected) and 101 (pre-send string
// 2000 ms after connecting), and runs the commands by their fixed ids.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

#include "connect/FrameSink.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace velo {

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Runs a command by its id, as a menu, accelerator or poster would; a
    // command that cannot act now does nothing.
    void OnCommand(int id);
    // Window messages from the terminal and the workers (WM_* ids).
    intptr_t OnMessage(int msg, uintptr_t wParam, intptr_t lParam);

    QAction* Action(int id) const;
    bool CommandEnabled(int id) const;
    bool CommandChecked(int id) const;
    // The status bar's panes, left to right, as their texts.
    QStringList StatusPaneTexts() const;
    void RefreshStatusBar();
    void UpdateCommandUi();

    // Title rules: "Vellow", or "Vellow - name" while connected.
    void SetConnectedTitle(const QString& entryName);
    void SetIdleTitle();

    // Window placement, written when the frame is destroyed and restored on
    // its first activation.
    void SaveWindowState();
    void RestoreWindowState();

    // Makes the frame exactly as large as the terminal wants.
    void FitToTerminal();
    QWidget* Terminal() const { return term_; }

    // Set by the application when a command-line destination should be
    // connected once the frame is up.
    void SetCommandLine(const QString& line) { commandLine_ = line; }

    // Closes without asking (termination signal): disconnects and saves.
    void ForceClose();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

private:
    struct Command {
        QAction* action = nullptr;
        std::function<void()> run;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };
    QAction* AddCommand(QMenu* menu, int id, const QString& text, const QKeySequence& key,
                        std::function<void()> run, std::function<bool()> enabled = {},
                        std::function<bool()> checked = {});
    void createActions();
    void createMenus();
    void createStatusBar();
    void createTerminal();
    void startTimers();

    void ToggleBeep();
    void ToggleClickMouse();
    void ShowTips();
    void ShowAbout();
    bool ExitSequence();

    std::map<int, Command> commands_;
    QMenu* fileMenu_ = nullptr;
    QMenu* connectMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;

    QWidget* term_ = nullptr;
    std::vector<QLabel*> panes_;
    QTimer* statusTimer_ = nullptr;
    QTimer* timer100_ = nullptr;
    QTimer* timer101_ = nullptr;
    qint64 connectedAt_ = 0;
    bool firstActivation_ = true;
    bool closing_ = false;
    bool forceClose_ = false;
    bool stateSaved_ = false;
    QRect normalFrame_;
    QString commandLine_;
};

// FrameSink onto a frame: posts are queued to the UI thread, sends run there
// (blocking from a worker, direct on the UI thread).
class QtFrameSink : public FrameSink {
public:
    explicit QtFrameSink(CMainFrame* frame) : frame_(frame) {}
    void PostCommand(int id) override;
    void SendCommand(int id) override;
    void PostMessage(int msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t SendMessage(int msg, uintptr_t wParam, intptr_t lParam) override;

private:
    QPointer<CMainFrame> frame_;
};

// Command ids of the frame's menus.
namespace cmd {
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_DISCONNECT = 32775;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_BEEP = 32964;
inline constexpr int ID_CLICK_MOUSE = 32907;
inline constexpr int ID_LOCAL_ECHO = 32897;
inline constexpr int ID_SHOW_SPLASH = 32822;
inline constexpr int ID_TIPS = 32817;
inline constexpr int ID_TERM_DONE = 179;  // the terminal's context menu or click ended
}  // namespace cmd

}  // namespace velo

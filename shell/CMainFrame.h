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
#include <memory>
#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "connect/ConnUi.h"
#include "connect/PhoneBookEntry.h"
#include "shell/CommandTable.h"
#include "terminal/ui/TermHost.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QComboBox;
class QDockWidget;
class QDialog;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

namespace velo {

class AppRuntime;
class CAnsiTerm;
class ChatPane;
class CaptureUi;
class CTransferWnd;
class ConnLifecycle;
class VtxPictureSink;
class KeyMapDialog;
class PrintController;
class QtPrintDevice;
class QtPrintUi;

class CMainFrame : public QMainWindow, public ConnFrame, public TermHost {
    Q_OBJECT
public:
    // The runtime holds everything process-wide; the frame attaches itself to
    // it here and detaches when destroyed.
    explicit CMainFrame(AppRuntime& rt, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Runs a command by its id, as a menu, accelerator or poster would; a
    // command that cannot act now does nothing.
    void OnCommand(int id);
    // Window messages from the terminal and the workers (WM_* ids).
    intptr_t OnMessage(int msg, uintptr_t wParam, intptr_t lParam);

    // Says what a command of the table does: its action (text, key and place
    // come from the command table) is shown and runs `run` when `enabled`
    // allows; `checked` makes it a marked one. Ids outside the table are
    // internal commands without menu, key or bar. Returns the action.
    QAction* Handle(int id, std::function<void()> run, std::function<bool()> enabled = {},
                    std::function<bool()> checked = {});
    bool CommandEnabled(int id) const;
    bool CommandChecked(int id) const;
    // The status bar's panes, left to right, as their texts.
    QStringList StatusPaneTexts() const;
    void RefreshStatusBar();

    // Title rules: "Vellow", or "Vellow - name" while connected.
    void SetConnectedTitle(const QString& entryName);
    void SetIdleTitle();

    // Window placement, written when the frame is destroyed and restored on
    // its first activation.
    void SaveWindowState();
    void RestoreWindowState();

    // Makes the frame exactly as large as the terminal wants.
    void FitToTerminal();
    CAnsiTerm* Terminal() const { return term_; }

    AppRuntime& Runtime() const { return rt_; }
    // The connection lifecycle: started when the frame is made, ended when it
    // goes (or earlier by DetachConnections).
    void AttachConnections();
    void DetachConnections();
    ConnLifecycle* Lifecycle() const { return life_.get(); }
    // The connect sequence with an entry (phone book, manual telnet, the
    // command line). False when the user kept the old connection.
    bool ConnectEntry(const PhoneBookEntry& entry);
    // A host, a blank and a port (23 when none) as typed or given on the
    // command line: a fresh telnet entry, connected. False when nothing was
    // connected.
    bool ConnectTelnetText(const std::string& text);
    // The command line's telnet destination, connected once.
    void ConnectCommandLine();
    // The line the terminal's "말꼬리 잡기" handed over last.
    QString CaughtLine() const { return caughtLine_; }

    // ConnFrame.
    void Message(std::string_view text, std::string_view title, MsgIcon icon) override;
    bool Ask(std::string_view text) override;
    void OpenDialWindow(const PhoneBookEntry& entry) override;
    bool DialWindowOpen() override;
    void CloseDialWindow() override;
    bool OpenModemSettings() override;
    void PlaySound(std::string_view event) override;
    void SetTitle(std::string_view title) override;
    void EnableFavourites(bool on) override;
    void WaitTransferThreads(int timeoutMs) override;
    void PrepareTerminal(const PhoneBookEntry& entry) override;
    void SendPreSend(std::string_view text) override;

    // TermHost (PlaySound above serves both).
    QAction* Action(int id) const override;
    void UpdateCommandUi() override;
    bool KeyMapped(int index) const override;
    void SendKey(int index, bool alternate) override;
    void SendMacro(const uint8_t* text, int len) override;

    // Set by the application when a command-line destination should be
    // connected once the frame is up.
    void SetCommandLine(const QString& line) { commandLine_ = line; }

    // Closes without asking (termination signal): disconnects and saves.
    void ForceClose();

    // ---- Transfers (shell/FrameTransfers.cpp): ZModem send and receive, the
    // transfer window, the ZModem settings, text-file upload, dropped files.
    // The file picker of "Z모뎀 파일 보내기" and "텍스트 파일 전송": the chosen
    // existing files in order, none when cancelled. Tests replace it.
    using FilePicker = std::function<QStringList(const QString& title, const QString& dir)>;
    void SetFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }
    CTransferWnd* TransferWindow() const;
    // Connected, and none of Receiving, Sending, Automating and Frozen: a
    // transfer may start, and text may be typed in from files.
    bool TransferFree() const;
    // Types each file into the connection (1024-byte chunks, LF removed);
    // a file that cannot be opened is named in a message and skipped.
    void SendTextFiles(const QStringList& paths);

    // ---- Bars and status panes (FrameBars.cpp) ----
    QToolBar* Bar(BarId bar) const;
    QMenu* Menu(MenuPlace place) const;
    // The shortcut bar's favourites drop-down list, enabled only while
    // connected; the favourites feature fills it and acts on a choice.
    QComboBox* FavouritesBox() const { return favourites_; }
    // The capture pane: the file's name without its folder, "*" for none.
    void SetCapturePane(const QString& filePath);
    // The header pane: "말머리:'header'".
    void SetHeaderPane(const QString& header);

    // ---- Chat pane, auto-response and favourites (shell/FrameChat.cpp,
    // shell/FrameAutoResponse.cpp, shell/FrameFavourites.cpp) ----
    ChatPane* Chat() const { return chat_; }
    QDockWidget* ChatDock() const { return chatDock_; }
    bool ChatVisible() const;
    // The chat pane's current line when the pane is shown, else the terminal.
    void FocusChatOrTerminal();
    // The entry's chat line count (brought into 1..5 by the pane).
    void SetChatLineCount(int lines);
    // A line from the terminal's "말꼬리 잡기" into the chat pane.
    void PutChatLine(const QString& line);
    void EditAutoResponses();
    const std::vector<std::string>& Favourites() const { return favouriteItems_; }
    // A place from the terminal's selection: appended and stored when new.
    void AddFavourite(const std::string& item);
    // The drop-down list's choice: "go " + place + CR unless the host is busy.
    void ChooseFavourite(int index);
    void EditFavourites();
    // ---- end of chat pane, auto-response and favourites

    // ---- Capture (shell/FrameCapture.cpp) ----
    // The capture-file dialog; true when it ended with OK and a file was taken.
    bool ChooseCaptureFile();
    bool CaptureDialogOk() const { return captureChoseOk_; }
    void ChooseCaptureDir();
    // The capture pane and the commands' marks after a change of capture.
    void RefreshCaptureUi();

    // ---- Macros and the key map (shell/FrameMacros.cpp) ----
    // Sends macro slot 0..9; false when refused (a transfer, the scrollback view).
    bool RunMacro(int slot);
    // "기능키": opened, or brought to the front when it is open.
    void OpenKeyMapDialog();
    KeyMapDialog* KeyMapWindow() const;
    // ---- Printing: the screen and the selection, printer-controller mode,
    // the ANSI screen save, the print and wheel settings (FramePrinting.cpp).
    QtPrintDevice& PrintDevice() const { return *printDevice_; }
    PrintController& PrinterMode() const { return *printCtl_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    // Transfers: files dropped on the frame are typed in as text files.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    struct Command {
        QAction* action = nullptr;
        std::function<void()> run;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };
    void createActions();
    // ---- Printing
    void createPrintingCommands();
    void closePrinting();
    void PrintRows(bool selection);
    void OpenPrintSettings();
    void OpenWheelSettings();
    void SaveAnsiScreenAs();
    std::unique_ptr<QtPrintDevice> printDevice_;
    std::unique_ptr<QtPrintUi> printUi_;
    std::unique_ptr<PrintController> printCtl_;
    // ---- end of Printing
    void RefreshMenuBar();
    void createMenus();
    void createStatusBar();
    void createTerminal();
    void startTimers();

    // ---- Phone book (shell/FramePhoneBook.cpp): "전화 번호부", "수동 전화 걸기",
    // "수동 텔넷 접속" and "끊고 다시 걸기".
    void createPhoneBookCommands();
    void OpenPhoneBook();
    void ManualDial();
    void ManualTelnet();
    // ---- end of phone book

    // ---- Chat pane, auto-response and favourites ----
    void createAutoResponseCommands();
    void createChatPane();
    void createFavouriteCommands();
    void ToggleChat();
    void SizeChat();
    void ChooseChatColours();
    void EditHeaderFooter();
    void ShowFavourites();
    ChatPane* chat_ = nullptr;
    QDockWidget* chatDock_ = nullptr;
    int chatLineCount_ = 3;
    std::vector<std::string> favouriteItems_;
    // ---- end of chat pane, auto-response and favourites

    void ToggleBeep();
    void Escape();
    void ToggleView();
    void FunctionKey(int n);
    void Paste(bool enter);
    void ChooseFont();
    void ApplyFont(const struct LogFontFields& f);
    void StepFont(bool larger);
    void ChooseColours();
    void ResetScreen();
    void ReceiveData();
    void HighlightWords();
    // ---- Transfers (shell/FrameTransfers.cpp).
    void createTransferCommands();
    void ReceiveZModem();
    void SendZModem();
    void TransferDone();
    void TextUpload();
    void ZModemSettings();
    void OnTransferWindow(bool open);
    void OnTransferProgress(int percent);
    // The frame's title: the plain one, or while minimised during a transfer
    // "%d%% 보냄" / "%d%% 받음".
    void ApplyTitle();
    QPointer<CTransferWnd> transferWnd_;
    FilePicker filePicker_;
    QString plainTitle_;
    int transferPercent_ = 0;

    void TimedNotice(const QString& title, const QString& text, int ms);
    bool HostFree() const;
    QString InstallDir() const;
    void ToggleClickMouse();
    void ShowTips();
    void ShowAbout();
    bool ExitSequence();

    // ---- Videotex (shell/FrameVideotex.cpp): the terminal's picture
    // receivers, the picture file viewer and the two videotex switches.
public:
    VtxPictureSink* Pictures() const { return pictures_.get(); }
    // Feeds a picture file to the terminal as host data, videotex opened
    // first. False (after telling the user) when the file cannot be read.
    bool ViewPictureFile(const QString& path);

private:
    void createVideotexCommands();
    void ChoosePictureFile();
    void ToggleVideotexState();
    struct PicturesDeleter {
        void operator()(VtxPictureSink* p) const;
    };
    std::unique_ptr<VtxPictureSink, PicturesDeleter> pictures_;
    // ---- end of Videotex

    SharedFlags& flags_;
    AppRuntime& rt_;
    std::map<int, Command> commands_;
    std::map<MenuPlace, QMenu*> menus_;

    CAnsiTerm* term_ = nullptr;
    std::unique_ptr<ConnLifecycle> life_;
    QPointer<QWidget> dialWindow_;
    QString caughtLine_;
    bool commandLineDone_ = false;
    std::vector<QLabel*> panes_;
    QTimer* statusTimer_ = nullptr;
    bool firstActivation_ = true;
    bool closing_ = false;
    bool forceClose_ = false;
    bool stateSaved_ = false;
    QRect normalFrame_;
    QString commandLine_;

    // ---- Bars and status panes (FrameBars.cpp) ----
    void createBars();
    // Raised whenever the bar set changes, so that an older saved layout is
    // not applied to a different set of bars.
    static constexpr int kBarLayoutVersion = 1;
    std::map<BarId, QToolBar*> bars_;
    int storedMaximised_ = 0;
    QComboBox* favourites_ = nullptr;
    QString capturePane_ = QStringLiteral("*");
    QString headerPane_ = QStringLiteral("말머리:''");

    // ---- Serial ports and modems (FrameSerial.cpp) ----
    void createSerialCommands();

    // ---- Mail and post automation (FrameAutomation.cpp) ----
    void createAutomationCommands();
    void SendMailDialog();
    void WritePostDialog();
    // WM_SHOW_BYTES and WM_AUTOMATION_MESSAGE, sent by the automation's thread.
    intptr_t AutomationMessage(int msg, uintptr_t wParam, intptr_t lParam);

    // ---- Programs, documents, folders, small dialogs (FrameTools.cpp) ----
    void createToolCommands();
    QString HelpDocument() const;
    // "Capture"/"CapDir", the installation folder's cap/ by default.
    QString CaptureDir() const;
    void StartTextEditor(const QString& file);
    void CharacterMap();
    // The chat pane, once its feature has made it (Ctrl+Tab moves to it).
    QPointer<QWidget> chatPane_;

    // ---- Capture ----
    void createCaptureCommands();
    // The exit sequence's capture steps: end, close, keep the name.
    void ExitCapture();
    std::unique_ptr<CaptureUi> captureUi_;
    bool captureChoseOk_ = false;

    // ---- Macros and the key map ----
    void createMacroCommands();
    QPointer<QDialog> keyMapDialog_;
};

}  // namespace velo

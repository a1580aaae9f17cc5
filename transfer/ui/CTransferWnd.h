// The transfer window: a small window beside the frame while a ZModem
// transfer runs. It only reads the progress record the transfer thread
// writes, once a second (and once more when it closes), and offers cancel,
// hang-up-after-transfer, open-after-receive, the mini game and a new
// program window. The frame makes it on WM_TRANSFER_WINDOW 1 and ends it with
// Close() on WM_TRANSFER_WINDOW 0 (WM_TRANSFER_CLOSE).
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velo {

namespace zm {
class ZmTransfer;
}
class PercentPicture;

// What the window asks of the frame. Each may be empty.
struct TransferWindowActions {
    // The cancel question with Yes/No, titled "ZModem"; true for Yes. Empty:
    // a message box.
    std::function<bool(const QString& question)> ask;
    // "심심풀이Zingle": start the mini game (the frame tells the user when it
    // cannot).
    std::function<void()> startGame;
    // "새 접속(&N)": start another program window.
    std::function<void()> newConnection;
    // The percentage changed (WM_TRANSFER_PROGRESS to the frame).
    std::function<void(int percent)> progress;
};

class CTransferWnd : public QWidget {
    Q_OBJECT
public:
    // direction: 0 receive, 1 send (the transfer slot's Direction()).
    CTransferWnd(zm::ZmTransfer& transfer, int direction, TransferWindowActions actions, QWidget* parent);
    ~CTransferWnd() override;

    // WM_TRANSFER_CLOSE: the timer stops, the figures are brought up to date
    // one last time and the window goes (deleted from the event loop).
    void Close();
    // One tick of the 1000 ms timer.
    void UpdateFigures();
    // "취소": the question, and on Yes the transfer's cancel.
    void AskCancel();

    int Direction() const { return direction_; }
    int Percent() const { return percent_; }
    // The window's title when it is not minimised.
    QString PlainTitle() const;
    // The title while minimised: "%d%% 받음" or "%d%% 보냄".
    QString MinimisedTitle() const { return PercentTitle(direction_, percent_); }
    // "%d%% 받음" (received) for direction 0, "%d%% 보냄" (sent) for 1: the
    // window's and the frame's title while minimised.
    static QString PercentTitle(int direction, int percent);

protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void SetUp();
    QLabel* Field(const char* name);

    zm::ZmTransfer& transfer_;
    TransferWindowActions actions_;
    int direction_ = 0;
    bool setUp_ = false;
    bool closing_ = false;
    int percent_ = 0;
    int64_t lastMoved_ = -1;
    QTimer* timer_ = nullptr;
    QLabel* fileName_ = nullptr;
    QLabel* fileNumber_ = nullptr;
    QLabel* fileCount_ = nullptr;
    QLabel* rate_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* remaining_ = nullptr;
    QLabel* overall_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* offset_ = nullptr;
    QLabel* fileSize_ = nullptr;
    PercentPicture* picture_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QCheckBox* hangUp_ = nullptr;
    QCheckBox* openAfter_ = nullptr;
};

}  // namespace velo

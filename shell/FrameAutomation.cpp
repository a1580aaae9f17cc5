// The frame's side of the mail and post automation: "편지 보내기",
// "게시물 쓰기" and "보내기 취소", the bytes a run shows in the terminal and
// its message boxes.
#include <QMessageBox>
#include <QPushButton>

#include "base/CommandIds.h"
#include "connect/ConnLifecycle.h"
#include "shell/AppRuntime.h"
#include "shell/Automation.h"
#include "shell/CMainFrame.h"
#include "shell/MailDialogs.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

void CMainFrame::createAutomationCommands()
{
    auto mayStart = [this] { return AutomationMayStart(flags_); };
    Handle(ID_SEND_MAIL, [this] { SendMailDialog(); }, mayStart);
    Handle(ID_WRITE_POST, [this] { WritePostDialog(); }, mayStart);
    Handle(ID_CANCEL_SENDING, [this] { rt_.Scripts().Cancel(); },
           [this] { return flags_.ConnState.Automating.load(); });
}

void CMainFrame::SendMailDialog()
{
    MailDialog d(rt_.Scripts().lastMail, this);
    if (d.exec() == QDialog::Accepted)
        rt_.Scripts().StartMail(d.Job());
}

void CMainFrame::WritePostDialog()
{
    PostDialog d(rt_.Scripts().lastPost, rt_.Settings(), this);
    if (d.exec() == QDialog::Accepted)
        rt_.Scripts().StartPost(d.Job());
}

intptr_t CMainFrame::AutomationMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    if (msg == WM_SHOW_BYTES) {
        if (!wParam || lParam <= 0)
            return 0;
        term_->LeaveView();
        if (life_)
            life_->Delivery().Show(reinterpret_cast<const uint8_t*>(wParam), int(lParam));
        return 0;
    }
    // WM_AUTOMATION_MESSAGE: a plain box, or one with the exclamation icon.
    const char* text = reinterpret_cast<const char*>(wParam);
    QMessageBox box(lParam ? QMessageBox::Warning : QMessageBox::NoIcon, QStringLiteral("Vellow"),
                    QString::fromUtf8(text ? text : ""), QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("확인"));
    box.exec();
    return 0;
}

}  // namespace velo

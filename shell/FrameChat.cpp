// The chat pane on the frame's side: docked under the terminal (bottom only,
// no title, not floating), shown and hidden by "채팅창", sized with the
// terminal on every connect and font change, its colours and its header and
// footer pairs, and the lines the terminal's "말꼬리 잡기" hands over.
#include <QDockWidget>

#include "base/CommandIds.h"
#include "base/SettingsLayout.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/ChatDialogs.h"
#include "shell/ChatPane.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

void CMainFrame::createChatPane()
{
    chat_ = new ChatPane(rt_.Out(), rt_.Conn(), rt_.Macros(), this);
    chat_->SetMacros(&rt_.MacroTexts());
    chatDock_ = new QDockWidget(QStringLiteral("채팅창"), this);
    chatDock_->setObjectName(QStringLiteral("ChatBar"));
    chatDock_->setAllowedAreas(Qt::BottomDockWidgetArea);
    chatDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    // A bar, not a window: no title strip of its own.
    chatDock_->setTitleBarWidget(new QWidget(chatDock_));
    chatDock_->setWidget(chat_);
    addDockWidget(Qt::BottomDockWidgetArea, chatDock_);
    chatDock_->hide();
    chatLineCount_ = settings::kPbChatLinesDefault;
    SizeChat();
    chatPane_ = chat_;
    connect(chat_, &ChatPane::headerChanged, this, &CMainFrame::SetHeaderPane);

    Handle(ID_VIEW_CHAT, [this] { ToggleChat(); }, {}, [this] { return ChatVisible(); });
    Handle(ID_CHAT_COLOURS, [this] { ChooseChatColours(); });
    Handle(ID_HEADER_FOOTER, [this] { EditHeaderFooter(); });
    Handle(ID_HEADER_SWITCH, [this] { chat_->SwitchPair(); });
}

bool CMainFrame::ChatVisible() const { return chatDock_ && !chatDock_->isHidden(); }

void CMainFrame::FocusChatOrTerminal()
{
    if (ChatVisible())
        chat_->FocusCurrent();
    else
        term_->setFocus();
}

void CMainFrame::ToggleChat()
{
    chatDock_->setVisible(!ChatVisible());
    FitToTerminal();
    FocusChatOrTerminal();
    PlaySound("채팅창전환");
}

void CMainFrame::SizeChat()
{
    if (!chat_ || !term_)
        return;
    chat_->SetFontAndSize(term_->PlainFont(), term_->CellWidth(), term_->CellHeight(), term_->Term().Columns(),
                          chatLineCount_);
}

void CMainFrame::SetChatLineCount(int lines)
{
    chatLineCount_ = lines;
    SizeChat();
}

void CMainFrame::ChooseChatColours()
{
    ChatColourDialog d(chat_->TextColour(), chat_->BackColour(), this);
    if (d.exec() == QDialog::Accepted)
        chat_->SetColours(d.TextColour(), d.BackColour(), true);
}

void CMainFrame::EditHeaderFooter()
{
    const QString texts[4] = {chat_->HeaderText(0), chat_->FooterText(0), chat_->HeaderText(1), chat_->FooterText(1)};
    HeaderFooterDialog d(texts, this);
    if (d.exec() != QDialog::Accepted)
        return;
    chat_->SetPair(0, d.Text(0), d.Text(1));
    chat_->SetPair(1, d.Text(2), d.Text(3));
}

void CMainFrame::PutChatLine(const QString& line)
{
    caughtLine_ = line;
    chat_->PutLine(line);
}

}  // namespace velo

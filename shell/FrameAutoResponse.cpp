// Auto-response on the frame's side: the table is read from the store when
// the terminal is made (until then nothing can fire) and the editor's command
// opens "자동 반응 편집"; the terminal matches the edited rows from its next
// received byte on.
#include "base/CommandIds.h"
#include "shell/AppRuntime.h"
#include "shell/AutoResponseDialog.h"
#include "shell/CMainFrame.h"

namespace velo {

void CMainFrame::createAutoResponseCommands()
{
    rt_.Responses().Load(rt_.Settings());
    Handle(ID_AUTO_RESPONSE, [this] { EditAutoResponses(); });
}

void CMainFrame::EditAutoResponses()
{
    CARSheet sheet(rt_.Responses(), rt_.Settings(), flags_.TermShared.ServiceKind, this);
    sheet.exec();
}

}  // namespace velo

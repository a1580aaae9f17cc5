// Favourites and the shortcut bar's keys on the frame's side: the list read
// when the bar is made, a place added from the terminal's selection, the
// editor, "go" + the chosen place, and the service keys.
#include <QComboBox>
#include <cstring>

#include "base/CommandIds.h"
#include "connect/ui/DialogKit.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/ChatPane.h"
#include "shell/Favourites.h"
#include "shell/FavouritesDialog.h"
#include "shell/HostText.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

void CMainFrame::createFavouriteCommands()
{
    favouriteItems_ = favourites::Load(rt_.Settings());
    ShowFavourites();
    if (QComboBox* box = FavouritesBox())
        connect(box, &QComboBox::activated, this, &CMainFrame::ChooseFavourite);
    Handle(ID_EDIT_FAVOURITES, [this] { EditFavourites(); });
    for (int id : {ID_SVC_TOP, ID_SVC_UP, ID_SVC_ENTER, ID_SVC_PREV_ITEM, ID_SVC_NEXT_ITEM, ID_SVC_PREV_PAGE,
                   ID_SVC_NEXT_PAGE})
        Handle(id, [this, id] {
            const char* key = ServiceKey(id, flags_.TermShared.ServiceKind);
            if (key)
                rt_.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(key), int(std::strlen(key)));
            FocusChatOrTerminal();
        }, [this, id] { return ServiceKeyEnabled(id, flags_); });
}

void CMainFrame::AddFavourite(const std::string& item)
{
    if (favourites::Append(favouriteItems_, item)) {
        favourites::Save(rt_.Settings(), favouriteItems_);
        ShowFavourites();
    }
}

void CMainFrame::ChooseFavourite(int index)
{
    if (index < 0 || index >= int(favouriteItems_.size()))
        return;
    if (HostFree()) {
        const std::string go = favourites::GoCommand(ToHost(QString::fromStdString(favouriteItems_[size_t(index)])));
        rt_.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(go.data()), int(go.size()));
    }
    FocusChatOrTerminal();
}

void CMainFrame::EditFavourites()
{
    FavouritesDialog d(favouriteItems_, ShowMessageBox(), this);
    if (d.exec() != QDialog::Accepted)
        return;
    favouriteItems_ = d.Items();
    favourites::Save(rt_.Settings(), favouriteItems_);
    ShowFavourites();
}

void CMainFrame::ShowFavourites()
{
    QComboBox* box = FavouritesBox();
    if (!box)
        return;
    QSignalBlocker block(box);
    box->clear();
    for (const std::string& s : favouriteItems_)
        box->addItem(QString::fromStdString(s));
    box->setCurrentIndex(-1);
}

}  // namespace velo

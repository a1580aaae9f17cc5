// The frame's seven tool bars (the chat pane is a bar of its own feature):
// made from the command table's button lists, docked at the top in three
// rows that fit the terminal's width, movable to any side or floating, shown
// and hidden from "보기", their layout saved and restored whole.
#include <QAbstractItemView>
#include <QComboBox>
#include <QStatusBar>
#include <QToolBar>

#include "base/CommandIds.h"
#include "shell/CMainFrame.h"
#include "shell/CommandTable.h"
#include "shell/FrameIcons.h"

namespace velo {

namespace {

// Rows of the first layout, top to bottom; at kIconSize each fits an
// 80-column terminal in the default font.
constexpr BarId kFirstRows[][3] = {
    {BarId::Tool, BarId::Phone, BarId::Transfer},
    {BarId::Shortcut, BarId::Character, BarId::Character},
    {BarId::Capture, BarId::Macro, BarId::Macro},
};
constexpr int kIconSize = 20;

// The favourites drop-down list: 100 pixels wide, its list 300 pixels high
// in rows of 20.
constexpr int kFavouritesWidth = 100;
constexpr int kFavouritesListHeight = 300;
constexpr int kFavouritesItemHeight = 20;

}  // namespace

void CMainFrame::createBars()
{
    // Made in the table's order (the order of the frame's windows); the
    // status bar and the chat pane are made elsewhere.
    for (const BarRow& row : BarRows()) {
        auto* bar = new QToolBar(QString::fromUtf8(row.caption), this);
        bar->setObjectName(QString::fromUtf8(row.name));
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setFloatable(true);
        bar->setMovable(true);
        bar->setIconSize(QSize(kIconSize, kIconSize));
        for (int id : row.buttons) {
            if (id == kBarSeparator) {
                bar->addSeparator();
            } else if (id == kBarFavourites) {
                auto* box = new QComboBox(bar);
                box->setObjectName(QStringLiteral("Favourites"));
                box->setFixedWidth(kFavouritesWidth);
                box->setMaxVisibleItems(kFavouritesListHeight / kFavouritesItemHeight);
                box->view()->setStyleSheet(QStringLiteral("QAbstractItemView::item { min-height: %1px; }")
                                               .arg(kFavouritesItemHeight));
                box->setToolTip(QStringLiteral("자주 가는곳"));
                // Usable only while connected.
                box->setEnabled(false);
                bar->addWidget(box);
                favourites_ = box;
            } else if (QAction* a = Action(id)) {
                if (a->icon().isNull())
                    a->setIcon(BarIcon(id));
                bar->addAction(a);
            }
        }
        bars_[row.bar] = bar;
        Handle(row.viewCommand, [this, bar] {
            bar->setVisible(bar->isHidden());
            FitToTerminal();
        }, {}, [bar] { return !bar->isHidden(); });
    }
    // Docked at the top, in rows; any of them can move to another side or
    // float, and the saved layout replaces this one on the first activation.
    BarId placed[8];
    int n = 0;
    bool firstRow = true;
    for (const auto& rowBars : kFirstRows) {
        if (!firstRow)
            addToolBarBreak(Qt::TopToolBarArea);
        firstRow = false;
        for (BarId b : rowBars) {
            if (std::find(placed, placed + n, b) != placed + n)
                continue;
            placed[n++] = b;
            addToolBar(Qt::TopToolBarArea, bars_[b]);
        }
    }
    // The status bar's own toggle.
    Handle(ID_VIEW_STATUS_BAR, [this] {
        statusBar()->setVisible(statusBar()->isHidden());
        FitToTerminal();
    }, {}, [this] { return !statusBar()->isHidden(); });
}

QToolBar* CMainFrame::Bar(BarId bar) const
{
    auto it = bars_.find(bar);
    return it == bars_.end() ? nullptr : it->second;
}

QMenu* CMainFrame::Menu(MenuPlace place) const
{
    auto it = menus_.find(place);
    return it == menus_.end() ? nullptr : it->second;
}

void CMainFrame::EnableFavourites(bool on)
{
    if (favourites_)
        favourites_->setEnabled(on);
}

}  // namespace velo

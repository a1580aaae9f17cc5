#include "videotex/ui/CVtxWnd.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QThread>
#include <cstring>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"

namespace velo {

namespace {

struct SizeItem {
    int w, h;
    const char* text;
};
constexpr SizeItem kSizes[CVtxWnd::kSizeModes] = {
    {640, 500, "크게(&L)"},
    {512, 400, "보통(&M)"},
    {384, 300, "작게(&S)"},
};

// The bytes a key sends to the host, or null when the key sends nothing of
// its own (typed text is handled apart).
const char* KeyBytes(int key, Qt::KeyboardModifiers mods)
{
    switch (key) {
    case Qt::Key_Tab: return "\t";
    case Qt::Key_Return:
    case Qt::Key_Enter: return "\r";
    case Qt::Key_Escape: return "\x1b";
    case Qt::Key_Left: return "\x1b%13\r\n";
    case Qt::Key_Up: return "\x1b%11\r\n";
    case Qt::Key_Right: return "\x1b%15\r\n";
    case Qt::Key_Down: return "\x1b%17\r\n";
    case Qt::Key_F1: return mods & Qt::ControlModifier ? nullptr : "\x1b#9\r";
    case Qt::Key_F2: return "\x1b#4\r";
    case Qt::Key_F3: return "\x1b#2\r";
    case Qt::Key_F4: return "\x1b#?\r";
    case Qt::Key_F5: return "\x1b#5\r";
    case Qt::Key_F6: return "\x1b#:\r";
    case Qt::Key_F7: return "\x1b#6\r";
    case Qt::Key_F8: return "\x1b#8\r";
    case Qt::Key_F9: return "\x1b#3\r";
    case Qt::Key_F10: return "\x1b#1\r";  // Shift+F10 opens the menu first
    default: return nullptr;
    }
}

}  // namespace

QSize CVtxWnd::CanvasSize(int mode)
{
    const SizeItem& s = kSizes[mode >= 0 && mode < kSizeModes ? mode : 0];
    return QSize(s.w, s.h);
}

CVtxWnd::CVtxWnd(SettingsStore& settings, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint),
      settings_(settings),
      hooks_(std::move(hooks))
{
    setWindowTitle(QStringLiteral("VTX 보기"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    mode_ = settings::ReadIntDefault(settings_, settings::kSize, settings::kMode);
    if (mode_ < 0 || mode_ >= kSizeModes)
        mode_ = 0;
    size_ = CanvasSize(mode_);
    canvas_ = std::make_unique<VtxImageCanvas>(size_.width(), size_.height());
    canvas_->SetBeepHandler([this] {
        if (hooks_.bell && hooks_.bell())
            QApplication::beep();
    });
    canvas_->SetPauseHandler([this](int ms) { Pause(ms); });
    canvas_->RebuildFonts(decoder_.State());
    MakeMenu();
    FitToPicture();
}

CVtxWnd::~CVtxWnd() = default;

bool CVtxWnd::Usable() const
{
    return !canvas_->Visible().isNull() && !canvas_->Offscreen().isNull();
}

void CVtxWnd::MakeMenu()
{
    menu_ = new QMenu(this);
    menu_->addAction(QStringLiteral("창 크기 그림에 맞춤(&F)"), this, &CVtxWnd::FitToPicture);
    QMenu* sizes = menu_->addMenu(QStringLiteral("크기 조절(&S)"));
    sizes_ = new QActionGroup(this);
    for (int m = 0; m < kSizeModes; ++m) {
        QAction* a = sizes->addAction(QString::fromUtf8(kSizes[m].text), this, [this, m] { SetSizeMode(m); });
        a->setCheckable(true);
        a->setChecked(m == mode_);
        sizes_->addAction(a);
    }
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("그림 저장(&P)..."), this, &CVtxWnd::SavePictureAs);
}

void CVtxWnd::Feed(const uint8_t* bytes, size_t count)
{
    pauseLeft_ = kPauseBudgetMs;
    decoder_.Feed(*canvas_, bytes, count);
    ShowDrawn();
}

void CVtxWnd::ShowDrawn()
{
    const QRect dirty = canvas_->TakeDirty();
    if (!dirty.isEmpty())
        update(dirty);
}

void CVtxWnd::Pause(int ms)
{
    ms = std::clamp(ms, 0, pauseLeft_);
    pauseLeft_ -= ms;
    if (ms == 0)
        return;
    // What was drawn before the wait is on the screen during it.
    const QRect dirty = canvas_->TakeDirty();
    if (!dirty.isEmpty() && isVisible())
        repaint(dirty);
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    QThread::msleep(static_cast<unsigned long>(ms));
    QApplication::restoreOverrideCursor();
}

void CVtxWnd::FitToPicture()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    // The client area becomes the canvas; the window manager adds its frame
    // and the place stays where it is.
    resize(size_);
}

void CVtxWnd::SetSizeMode(int mode)
{
    if (mode < 0 || mode >= kSizeModes)
        return;
    mode_ = mode;
    size_ = CanvasSize(mode);
    canvas_->SetSize(size_.width(), size_.height());
    settings_.WriteInt(settings::kSize, settings::kMode, mode);
    if (QAction* a = sizes_->actions().value(mode))
        a->setChecked(true);
    FitToPicture();
    update();
}

QImage CVtxWnd::Picture() const
{
    return canvas_->Offscreen().copy(QRect(QPoint(0, 0), size_));
}

bool CVtxWnd::SavePicture(const QString& path) const
{
    return Picture().save(path, "PNG");
}

void CVtxWnd::SavePictureAs()
{
    // The picture as it is now: the host may go on drawing, or end the
    // picture and so close this window, while the user picks a name. The
    // dialogs belong to the frame for that reason.
    const QImage shown = Picture();
    QWidget* owner = parentWidget();
    QString path = QFileDialog::getSaveFileName(owner, QStringLiteral("그림 저장"), QStringLiteral("vtx.png"),
                                                QStringLiteral("PNG 파일 (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (!shown.save(path, "PNG"))
        QMessageBox::warning(owner, QStringLiteral("Vellow"),
                             QStringLiteral("파일 %1 (을)를 저장할 수 없습니다.").arg(path));
}

void CVtxWnd::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), Qt::white);
    const QRect picture = QRect(QPoint(0, 0), size_).intersected(e->rect());
    if (!picture.isEmpty())
        p.drawImage(picture, canvas_->Offscreen(), picture);
}

void CVtxWnd::Send(const char* bytes, int count)
{
    if (hooks_.send && count > 0)
        hooks_.send(reinterpret_cast<const uint8_t*>(bytes), count);
}

void CVtxWnd::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers();
    if ((e->key() == Qt::Key_F10 && (mods & Qt::ShiftModifier)) || e->key() == Qt::Key_Menu) {
        menu_->popup(mapToGlobal(QPoint(5, 5)));
        return;
    }
    if (const char* bytes = KeyBytes(e->key(), mods)) {
        Send(bytes, int(std::strlen(bytes)));
        return;
    }
    const QString text = e->text();
    if (text.isEmpty())
        return;
    // Typed characters go out as the host reads them: ASCII as it is,
    // Hangul in CP949.
    const QByteArray utf8 = text.toUtf8();
    const std::string host = hangul::EncodeCp949(std::string_view(utf8.constData(), size_t(utf8.size())));
    Send(host.data(), int(host.size()));
}

void CVtxWnd::contextMenuEvent(QContextMenuEvent* e)
{
    // Not exec(): the host may close the window while the menu is open, and
    // no handler of the window may wait in a loop of its own meanwhile.
    const QPoint at = e->reason() == QContextMenuEvent::Mouse ? e->globalPos() : mapToGlobal(QPoint(5, 5));
    menu_->popup(at);
}

void CVtxWnd::closeEvent(QCloseEvent* e)
{
    if (!closed_) {
        closed_ = true;
        emit closing();
    }
    e->accept();
}

}  // namespace velo

#include "terminal/ui/CAnsiTerm.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QThread>
#include <cstring>

#include "base/CommandIds.h"
#include "base/FrameSink.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"

namespace velo {

CAnsiTerm::CAnsiTerm(const Outlets& out, ConnFacade& conn, TermHost& host, QWidget* parent)
    : QWidget(parent),
      out_(out),
      flags_(out.flags),
      conn_(conn),
      host_(host),
      term_(out),
      view_(*this),
      painter_(*this, term_, view_.Selection()),
      input_(*this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    term_.SetSurface(this);
    term_.SetReplySink(this);

    flags_.TermShared.PictureMode = false;
    SetTermFont(LogFontFields::Read(out_.settings));
}

CAnsiTerm::~CAnsiTerm()
{
    term_.SetSurface(nullptr);
    term_.SetReplySink(nullptr);
    term_.SetMusic(nullptr);
}

// ---- fonts and geometry ----------------------------------------------------

void CAnsiTerm::SetTermFont(const LogFontFields& f)
{
    font_ = f;
    // The description keeps no per-cell styles of its own.
    font_.width = font_.escapement = font_.orientation = 0;
    font_.italic = font_.underline = font_.strikeOut = 0;
    painter_.MakeFonts(font_);
    term_.SetCellSize(painter_.CellWidth(), painter_.CellHeight());
    painter_.ResizeBacking();
    updateGeometry();
    painter_.MarkAllDirty();
    painter_.RenderNow();
}

QSize CAnsiTerm::sizeHint() const
{
    int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return painter_.CellArea().size() + QSize(sb, 0);
}

void CAnsiTerm::resizeEvent(QResizeEvent*) { view_.Layout(); }

void CAnsiTerm::SetScreenSize(int columns, int rows) { term_.Resize(columns, rows); }

void CAnsiTerm::Resized(int, int)
{
    painter_.ResizeBacking();
    painter_.MarkAllDirty();
    updateGeometry();
    view_.UpdateScrollBar();
}

void CAnsiTerm::SetDefaultColours(int fg, int bg)
{
    term_.SetDefaultColours(fg, bg);
    RedrawAll();
}

void CAnsiTerm::RedrawAll()
{
    painter_.MarkAllDirty();
    painter_.RenderNow();
    update();
}

void CAnsiTerm::AfterModelChange()
{
    term_.FlushDamage();
    painter_.RenderNow();
    view_.UpdateScrollBar();
}

void CAnsiTerm::SetAutowrap(bool on)
{
    if (term_.Autowrap() == on)
        return;
    // The engine takes its modes from the stream: CSI 7 h / CSI 7 l.
    const char* seq = on ? "\x1b[7h" : "\x1b[7l";
    term_.Feed(reinterpret_cast<const uint8_t*>(seq), int(std::strlen(seq)));
    painter_.ScheduleRender();
}

QImage CAnsiTerm::Snapshot()
{
    painter_.RenderNow();
    return grab().toImage();
}

void CAnsiTerm::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    QRect area = painter_.CellArea();
    // Outside the cells (right of the last column, below the last row).
    QRegion outside = QRegion(e->rect()) - QRegion(area) - QRegion(view_.BarGeometry());
    for (const QRect& r : outside)
        p.fillRect(r, painter_.Background());
    QRect clip = e->rect() & area;
    if (Frozen()) {
        painter_.PaintView(p, clip, view_.Position());
        return;
    }
    painter_.PaintLive(p, clip);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    input_.PaintHotSpot(p);
    painter_.PaintCaret(p);
    input_.PaintPreedit(p);
}

// ---- feeding ---------------------------------------------------------------

bool CAnsiTerm::Frozen() const { return flags_.TermShared.Frozen; }

void CAnsiTerm::SetFrozen(bool on) { flags_.TermShared.Frozen = on; }

int CAnsiTerm::Feed(const uint8_t* data, int len) { return FeedBytes(data, len, false); }

int CAnsiTerm::FeedBytes(const uint8_t* data, int len, bool local)
{
    if (input_.Hot().Valid())
        input_.DropHotSpot();
    int n = local ? term_.FeedLocal(data, len) : term_.Feed(data, len);
    // Newly arriving data clears the shown selection on the live screen.
    const TermSelection& sel = view_.Selection();
    if (sel.shown && !sel.selecting && !Frozen() && n > 0)
        view_.ClearSelection();
    painter_.ScheduleRender();
    return n;
}

void CAnsiTerm::FeedEcho(const uint8_t* data, int len)
{
    if (len <= 0)
        return;
    if (QThread::currentThread() != thread()) {
        QByteArray copy(reinterpret_cast<const char*>(data), len);
        auto feed = [this, copy] {
            FeedBytes(reinterpret_cast<const uint8_t*>(copy.constData()), int(copy.size()), true);
        };
        QMetaObject::invokeMethod(this, feed, Qt::QueuedConnection);
        return;
    }
    FeedBytes(data, len, true);
}

namespace {
// UTF-8 to the bytes the host would send for it in the display code.
std::string HostBytes(std::string_view utf8, hangul::DisplayCode code)
{
    std::string ks = hangul::EncodeCp949(utf8);
    if (code != hangul::DisplayCode::Johab)
        return ks;
    std::string out;
    out.reserve(ks.size());
    for (size_t i = 0; i < ks.size(); ++i) {
        uint8_t b = uint8_t(ks[i]);
        if (b >= 0x80 && i + 1 < ks.size()) {
            uint16_t j = hangul::KsToJohab(uint16_t(b << 8 | uint8_t(ks[i + 1])));
            if (j == 0)
                j = hangul::kTwoSpaces;
            out.push_back(char(j >> 8));
            out.push_back(char(j & 0xFF));
            ++i;
        } else {
            out.push_back(char(b));
        }
    }
    return out;
}
}  // namespace

void CAnsiTerm::WriteText(std::string_view utf8)
{
    std::string bytes = HostBytes(utf8, term_.DisplayCode());
    int off = 0;
    // A message is short; whatever a held terminal does not take is dropped
    // rather than mixed into the host's stream later.
    while (off < int(bytes.size())) {
        int n = Feed(reinterpret_cast<const uint8_t*>(bytes.data()) + off, int(bytes.size()) - off);
        if (n <= 0)
            break;
        off += n;
    }
}

void CAnsiTerm::SetLogin(const PhoneBookEntry& e)
{
    // Prompts and answers are matched and sent as host bytes.
    term_.SetAutoLogin(hangul::EncodeCp949(e.waitUserId), hangul::EncodeCp949(e.userId),
                       hangul::EncodeCp949(e.waitPassword), hangul::EncodeCp949(e.password));
}

void CAnsiTerm::ConnectionChanged(bool up)
{
    if (up) {
        term_.ResetOnConnect();
    } else {
        term_.ResetOnDisconnect();
        input_.DropHotSpot();
    }
    painter_.ScheduleRender();
}

void CAnsiTerm::Scroll(int top, int bottom, int n)
{
    // The text under the hot spot has moved away from it.
    if (painter_.Scroll(top, bottom, n) && input_.Hot().Valid())
        input_.DropHotSpot();
}

void CAnsiTerm::Reply(const uint8_t* data, int count, ReplyMode mode)
{
    if (mode == ReplyMode::Macro)
        host_.SendMacro(data, count);
    else
        conn_.ConnWrite(data, count);
}

void CAnsiTerm::Beep()
{
    if (flags_.AppFlags.Beep)
        QApplication::beep();
}

// ---- the frame -------------------------------------------------------------

void CAnsiTerm::SendToFrame(int id) { out_.frame.SendCommand(id); }

void CAnsiTerm::PostToFrame(int id) { out_.frame.PostCommand(id); }

void CAnsiTerm::SendTextToFrame(int msg, const std::string& text)
{
    out_.frame.SendMessage(msg, 0, reinterpret_cast<intptr_t>(text.c_str()));
}

// ---- events to the helpers -------------------------------------------------

bool CAnsiTerm::event(QEvent* e) { return input_.TabKey(e) || QWidget::event(e); }

void CAnsiTerm::keyPressEvent(QKeyEvent* e) { input_.Key(e); }

void CAnsiTerm::inputMethodEvent(QInputMethodEvent* e) { input_.InputMethod(e); }

QVariant CAnsiTerm::inputMethodQuery(Qt::InputMethodQuery q) const
{
    QVariant v = input_.InputMethodQuery(q);
    return v.isValid() ? v : QWidget::inputMethodQuery(q);
}

void CAnsiTerm::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    painter_.FocusIn();
}

void CAnsiTerm::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    painter_.FocusOut();
    input_.MouseLeft();
}

void CAnsiTerm::mousePressEvent(QMouseEvent* e)
{
    if (!input_.MousePress(e))
        QWidget::mousePressEvent(e);
}

void CAnsiTerm::mouseMoveEvent(QMouseEvent* e) { input_.MouseMove(e); }

void CAnsiTerm::mouseReleaseEvent(QMouseEvent* e)
{
    if (!input_.MouseRelease(e))
        QWidget::mouseReleaseEvent(e);
}

void CAnsiTerm::leaveEvent(QEvent*) { input_.MouseLeft(); }

void CAnsiTerm::wheelEvent(QWheelEvent* e) { view_.Wheel(e); }

void CAnsiTerm::contextMenuEvent(QContextMenuEvent* e) { input_.ContextMenu(e); }

}  // namespace velo

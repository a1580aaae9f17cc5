#include "shell/ChatPane.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "shell/MacroSender.h"
#include "shell/HostText.h"
#include "terminal/ScreenModel.h"

namespace velo {

namespace {

QColor PaletteColour(int i)
{
    const Rgb& c = kPalette[size_t(std::clamp(i, 0, 15))];
    return QColor(c.r, c.g, c.b);
}

// The control byte a key types, or -1: Ctrl with a letter or one of @[\]^_
// (whatever text the platform attached), else a C0 character in the text.
int ControlByte(const QKeyEvent* e)
{
    const int key = e->key();
    // Tab edits the field and Shift+Tab is the header switch, whatever
    // control character the platform puts in their text.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return -1;
    if (e->modifiers() & Qt::ControlModifier) {
        // Ctrl with anything else (Ctrl+Space, Ctrl+digits) is the frame's.
        if (key >= Qt::Key_At && key <= Qt::Key_Underscore)
            return key - Qt::Key_At;
        return -1;
    }
    const QString t = e->text();
    if (t.size() == 1 && t[0].unicode() < 0x20)
        return t[0].unicode();
    return -1;
}

// The frame's sunken frame colours.
const QColor kShadow(96, 96, 96);
const QColor kLight(196, 196, 196);

}  // namespace

// ---- ChatField -------------------------------------------------------------

ChatField::ChatField(ChatPane& pane, int index) : QLineEdit(&pane), pane_(pane), index_(index)
{
    setObjectName(QStringLiteral("ChatLine%1").arg(index));
    setFrame(false);
    setTextMargins(0, 0, 0, 0);
    setContentsMargins(0, 0, 0, 0);
    setMaxLength(int(ChatLines::kLineBytes));
}

bool ChatField::event(QEvent* e)
{
    // The rules own Enter, the arrows up and down and the control
    // characters, before any shortcut or editing binding sees them (Ctrl+C
    // goes to the host, not to the clipboard).
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        const int key = k->key();
        const int c = ControlByte(k);
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Up || key == Qt::Key_Down ||
            (c >= 0 && ChatLines::SentAtOnce(uint32_t(c)) && key != Qt::Key_Escape)) {
            e->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void ChatField::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        pane_.EnterOn(index_, e->modifiers() & Qt::ControlModifier);
        return;
    }
    if (key == Qt::Key_Up) {
        pane_.UpOn(index_);
        return;
    }
    if (key == Qt::Key_Down) {
        pane_.DownOn(index_);
        return;
    }
    const int c = ControlByte(e);
    if (c >= 0 && ChatLines::SentAtOnce(uint32_t(c))) {
        pane_.ControlOn(uint8_t(c));
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void ChatField::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    pane_.FocusedField(index_);
}

// ---- ChatPane --------------------------------------------------------------

ChatPane::ChatPane(const Outlets& out, ConnFacade& conn, const MacroSender& macros, QWidget* parent)
    : QWidget(parent), out_(out), conn_(conn), sender_(macros)
{
    setObjectName(QStringLiteral("ChatPane"));
    setAutoFillBackground(true);
    for (int k = 0; k < ChatLines::kFields; ++k)
        fields_[size_t(k)] = new ChatField(*this, k);
    setFocusProxy(fields_[0]);
    SetColours(settings::ReadIntDefault(out_.settings, settings::kInit, settings::kChatTextColour),
               settings::ReadIntDefault(out_.settings, settings::kInit, settings::kChatBackColour), false);
    QFont f = font();
    SetFontAndSize(f, QFontMetrics(f).averageCharWidth(), QFontMetrics(f).height(), 80, 1);
}

void ChatPane::SetFontAndSize(const QFont& font, int charWidth, int lineHeight, int columns, int lines)
{
    QFont f = font;
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    geo_.columns = std::max(1, columns);
    geo_.lines = std::clamp(lines, 1, ChatLines::kFields);
    geo_.charWidth = std::max(1, charWidth);
    geo_.lineHeight = std::max(1, lineHeight);
    geo_.scrollWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    lines_.SetLineCount(geo_.lines);
    setFocusProxy(fields_[size_t(lines_.Current())]);
    for (int k = 0; k < ChatLines::kFields; ++k) {
        ChatField* fld = fields_[size_t(k)];
        fld->setFont(f);
        fld->setGeometry(geo_.FieldX(), geo_.FieldY(k), geo_.FieldWidth(), geo_.lineHeight);
        fld->setVisible(k < geo_.lines);
    }
    setFixedSize(geo_.Width(), geo_.Height());
    update();
}

void ChatPane::SetColours(int fg, int bg, bool store)
{
    fg_ = std::clamp(fg, 0, 15);
    bg_ = std::clamp(bg, 0, 15);
    if (store) {
        out_.settings.WriteInt(settings::kInit, settings::kChatTextColour, fg_);
        out_.settings.WriteInt(settings::kInit, settings::kChatBackColour, bg_);
    }
    ApplyColours();
}

void ChatPane::ApplyColours()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, PaletteColour(bg_));
    p.setColor(QPalette::Base, PaletteColour(bg_));
    p.setColor(QPalette::Text, PaletteColour(fg_));
    p.setColor(QPalette::WindowText, PaletteColour(fg_));
    setPalette(p);
    for (ChatField* f : fields_)
        f->setPalette(p);
    update();
}

void ChatPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), PaletteColour(bg_));
    const int x0 = geo_.FieldX(), w = geo_.FieldWidth();
    const int bottom = geo_.lines * geo_.lineHeight + 20;
    // The ruler: a base line over the fields, the left edge, and a tick per
    // column, longer every fifth and tenth.
    p.setPen(PaletteColour(fg_));
    p.drawLine(x0, 19, x0 + w - 1, 19);
    p.drawLine(x0 - 1, 19, x0 - 1, bottom);
    for (int col = 1; col <= geo_.columns; ++col) {
        const int x = geo_.TickX(col);
        p.drawLine(x, 5, x, ChatGeometry::TickEnd(col));
    }
    // The sunken frame around the fields.
    const QRect r(x0 - 2, 18, w + 4, bottom - 18 + 2);
    p.setPen(kShadow);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(kLight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

bool ChatPane::HostFree() const
{
    const SharedFlags& f = out_.flags;
    return !f.ConnState.Sending && !f.ConnState.Receiving && !f.TermShared.Frozen;
}

void ChatPane::ShowRing()
{
    for (int k = 0; k < geo_.lines; ++k)
        fields_[size_t(k)]->setText(FromHost(lines_.FieldText(k)));
}

void ChatPane::Focus(int field, int caret)
{
    ChatField* f = fields_[size_t(std::clamp(field, 0, geo_.lines - 1))];
    f->setFocus();
    f->setCursorPosition(std::clamp(caret, 0, int(f->text().size())));
    FocusedField(f->Index());
}

void ChatPane::EnterOn(int field, bool ctrl)
{
    const std::string text = ToHost(fields_[size_t(field)]->text());
    ChatLines::EnterResult r = lines_.Enter(field, text, ctrl, !HostFree());
    switch (r.kind) {
    case ChatLines::EnterResult::Kept:
        return;
    case ChatLines::EnterResult::LoneReturn: {
        const uint8_t cr = 0x0D;
        conn_.ConnWrite(&cr, 1);
        return;
    }
    case ChatLines::EnterResult::Line:
        break;
    }
    if (r.scrolled)
        ShowRing();
    else if (r.clearNext)
        fields_[size_t(r.focus)]->clear();
    Focus(r.focus, 0);
    sender_.Send(r.send);
}

void ChatPane::UpOn(int field)
{
    const int caret = fields_[size_t(field)]->cursorPosition();
    ChatLines::Move m = lines_.Up(field);
    if (m.scrolled)
        ShowRing();
    Focus(m.focus, caret);
}

void ChatPane::DownOn(int field)
{
    const int caret = fields_[size_t(field)]->cursorPosition();
    ChatLines::Move m = lines_.Down(field);
    if (m.scrolled)
        ShowRing();
    Focus(m.focus, caret);
}

void ChatPane::ControlOn(uint8_t byte)
{
    if (HostFree())
        sender_.Send(&byte, 1);
}

void ChatPane::FocusedField(int field)
{
    lines_.SetCurrent(field);
    // Whoever gives the pane the focus gives it to the current line.
    setFocusProxy(fields_[size_t(lines_.Current())]);
}

bool ChatPane::PutLine(const QString& text)
{
    if (!isVisible())
        return false;
    ChatField* f = fields_[size_t(lines_.Current())];
    f->setText(text);
    f->setFocus();
    f->end(false);
    return true;
}

void ChatPane::FocusCurrent() { Focus(lines_.Current(), fields_[size_t(lines_.Current())]->cursorPosition()); }

QString ChatPane::CurrentHeader() const { return FromHost(lines_.Header(lines_.Pair())); }
QString ChatPane::HeaderText(int pair) const { return FromHost(lines_.Header(pair)); }
QString ChatPane::FooterText(int pair) const { return FromHost(lines_.Footer(pair)); }

void ChatPane::SetPair(int pair, const QString& header, const QString& footer)
{
    lines_.SetPair(pair, ToHost(header), ToHost(footer));
    emit headerChanged(CurrentHeader());
}

void ChatPane::SwitchPair()
{
    lines_.SwitchPair();
    emit headerChanged(CurrentHeader());
}

}  // namespace velo

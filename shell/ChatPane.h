// The chat pane ("채팅창"): up to five line fields as wide as the terminal
// under a column ruler, in their own colours, where lines are composed before
// they go to the host. The rules are ChatLines'; this widget shows the ring,
// turns keys into those rules and sends what they say: an empty line as one
// CR straight to the line, every other line and every control character
// through the macro sender, all of it in CP949 whatever the input method
// typed.
//
// The frame docks it at the bottom, shows and hides it, sizes it on every
// connect and font change, and hands it the lines the terminal catches.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <array>

#include "base/Outlets.h"
#include "shell/ChatLines.h"

namespace velo {

class ConnFacade;
class MacroSender;
class MacroSet;
class ChatPane;

// One line field: keys that the rules own go to the pane, the rest edit.
class ChatField : public QLineEdit {
    Q_OBJECT
public:
    ChatField(ChatPane& pane, int index);
    int Index() const { return index_; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    // Tab stays in the field; the pane has no focus chain of its own.
    bool focusNextPrevChild(bool) override { return false; }

private:
    ChatPane& pane_;
    int index_;
};

class ChatPane : public QWidget {
    Q_OBJECT
public:
    // out: the settings (colours) and the flags (is the host free);
    // conn: the lone CR of an empty line; macros: every other line.
    ChatPane(const Outlets& out, ConnFacade& conn, const MacroSender& macros, QWidget* parent = nullptr);

    // The terminal's face (attributes off), its cell size, its columns and
    // the entry's line count (brought into 1..5).
    void SetFontAndSize(const QFont& font, int charWidth, int lineHeight, int columns, int lines);
    const ChatGeometry& Geometry() const { return geo_; }

    // Palette indexes 0..15 of the text and the background.
    int TextColour() const { return fg_; }
    int BackColour() const { return bg_; }
    // Out-of-range values are clamped; store: also written to the settings.
    void SetColours(int fg, int bg, bool store);

    // A line the terminal caught: replaces the current field's text, the
    // caret goes to its end and the field takes the focus. Only while the
    // pane is shown; false when it is not.
    bool PutLine(const QString& text);
    // The field that last had the focus takes it again.
    void FocusCurrent();

    ChatLines& Lines() { return lines_; }
    const ChatLines& Lines() const { return lines_; }
    ChatField* Field(int k) const { return fields_[size_t(k)]; }
    // The current pair's header as the user wrote it.
    QString CurrentHeader() const;
    // Header and footer pairs as the user writes them (UTF-8 in, host bytes kept).
    void SetPair(int pair, const QString& header, const QString& footer);
    QString HeaderText(int pair) const;
    QString FooterText(int pair) const;
    void SwitchPair();

    // The ten macro texts live with the pane (the runtime's set).
    void SetMacros(MacroSet* macros) { macros_ = macros; }
    MacroSet* Macros() const { return macros_; }

    // Key rules, called by the fields.
    void EnterOn(int field, bool ctrl);
    void UpOn(int field);
    void DownOn(int field);
    void ControlOn(uint8_t byte);
    void FocusedField(int field);

signals:
    // The current header changed (a new pair, new texts): the status pane.
    void headerChanged(const QString& header);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool HostFree() const;
    void ShowRing();
    void Focus(int field, int caret);
    void ApplyColours();

    Outlets out_;
    ConnFacade& conn_;
    const MacroSender& sender_;
    MacroSet* macros_ = nullptr;
    ChatLines lines_;
    ChatGeometry geo_;
    std::array<ChatField*, ChatLines::kFields> fields_{};
    int fg_ = 15, bg_ = 0;
};

}  // namespace velo

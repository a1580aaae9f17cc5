#include "shell/ChatLines.h"

#include <algorithm>

namespace velo {

void ChatLines::SetLineCount(int n)
{
    lines_ = std::clamp(n, 1, kFields);
    current_ = std::min(current_, lines_ - 1);
}

void ChatLines::SetCurrent(int field) { current_ = std::clamp(field, 0, lines_ - 1); }

void ChatLines::SetPair(int pair, std::string header, std::string footer)
{
    Wrap& p = pairs_[size_t(pair & 1)];
    p.header = FitLine(header);
    p.footer = FitLine(footer);
}

std::string ChatLines::LineToSend(std::string_view text) const
{
    std::string out;
    if (!text.empty() && text.front() == '/') {
        out.assign(text);
    } else {
        const Wrap& p = pairs_[size_t(pair_)];
        out.reserve(p.header.size() + text.size() + p.footer.size() + 1);
        out.append(p.header).append(text).append(p.footer);
    }
    out.push_back('\r');
    return out;
}

void ChatLines::Scroll(int by) { base_ = ((base_ + by) % kRing + kRing) % kRing; }

ChatLines::EnterResult ChatLines::Enter(int field, std::string_view text, bool ctrl, bool hostBusy)
{
    EnterResult r;
    field = std::clamp(field, 0, lines_ - 1);
    current_ = field;
    r.focus = field;
    std::string line = FitLine(text);
    ring_[size_t(SlotOf(field))] = line;
    if (hostBusy)
        return r;
    if (line.empty()) {
        r.kind = EnterResult::LoneReturn;
        return r;
    }
    if (field == lines_ - 1) {
        Scroll(1);
        r.scrolled = true;
    } else {
        if (!ctrl) {
            ring_[size_t(SlotOf(field + 1))].clear();
            r.clearNext = true;
        }
        r.focus = field + 1;
    }
    r.caretAtStart = true;
    current_ = r.focus;
    r.kind = EnterResult::Line;
    r.send = LineToSend(line);
    // The slot the line after the next will use starts empty, so that a
    // scroll never brings back a line from 32 lines ago. Ctrl keeps it.
    if (!ctrl)
        ring_[size_t(SlotOf(current_ + 1))].clear();
    return r;
}

ChatLines::Move ChatLines::Up(int field)
{
    field = std::clamp(field, 0, lines_ - 1);
    Move m;
    if (field == 0) {
        Scroll(-1);
        m.scrolled = true;
    } else {
        m.focus = field - 1;
    }
    current_ = m.focus;
    return m;
}

ChatLines::Move ChatLines::Down(int field)
{
    field = std::clamp(field, 0, lines_ - 1);
    Move m;
    m.focus = field;
    if (field == lines_ - 1) {
        Scroll(1);
        m.scrolled = true;
    } else {
        m.focus = field + 1;
    }
    current_ = m.focus;
    return m;
}

std::string ChatLines::FitLine(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        // A lead byte of CP949 takes its trail byte with it.
        size_t n = (uint8_t(bytes[i]) >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
        if (i + n > kLineBytes)
            break;
        i += n;
    }
    return std::string(bytes.substr(0, i));
}

}  // namespace velo

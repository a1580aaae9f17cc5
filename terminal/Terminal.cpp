// The byte feed: data modes, the parser states, the character handler with
// its watchers, printing and the control characters.
#include "terminal/Terminal.h"

#include <algorithm>
#include <cstring>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "terminal/AutoResponse.h"
#include "terminal/TermSurface.h"
#include "terminal/ZModemDetect.h"

namespace velo {

namespace {
constexpr uint8_t ESC = 0x1B;
constexpr uint8_t CSI8 = 0x9B;

bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool IsLineDrawingLetter(uint8_t b) { return std::strchr("jklmqtuvwx", b) != nullptr && b != 0; }
}  // namespace

Terminal::Terminal(const Outlets& out)
    : ScreenModel(settings::ReadIntDefault(out.settings, settings::kInit, settings::kTextColour),
                  settings::ReadIntDefault(out.settings, settings::kInit, settings::kBackColour),
                  &out.flags.TermShared.Frozen),
      out_(out),
      zmodem_(out.settings, out.frame)
{
    savedAttr_ = attr_;
    // The at-sign is plain text whenever a terminal window is made.
    Shared().PictureMode = false;
    ownMusic_ = std::make_unique<AnsiMusic>(nullptr, nullptr);
    music_ = ownMusic_.get();
    videotexEnabled_ = settings::ReadIntDefault(out.settings, settings::kInit, settings::kUseVtx) != 0;
    BuildTables();
    replyBytes_.reserve(256);
}

Terminal::~Terminal()
{
    music_->Stop();
}

void Terminal::SetCellSize(int width, int height)
{
    cellW_ = std::max(width, 1);
    cellH_ = std::max(height, 1);
}

void Terminal::BuildTables()
{
    tablesJohab_ = Johab();
    tablesAt_ = Shared().PictureMode.load(std::memory_order_relaxed);
    special_.fill(false);
    special_[ESC] = true;
    if (!tablesJohab_)
        special_[CSI8] = true;
    if (tablesAt_)
        special_['@'] = true;
    text_.fill(false);
    for (int b = 0x20; b < 0x7F; ++b)
        text_[b] = true;
    for (int b = 0x80; b <= 0xFF; ++b)
        text_[b] = true;
    if (!tablesJohab_) {
        // 8-bit IND, NEL, RI are controls in KS mode; in Johab mode they are
        // lead and trail bytes like any other.
        text_[0x84] = text_[0x85] = text_[0x8D] = false;
    }
    for (int b = 0; b < 256; ++b)
        if (special_[b])
            text_[b] = false;
}

void Terminal::SetDisplayCode(hangul::DisplayCode code)
{
    displayCode_ = code;
    BuildTables();
    TouchAll();
    if (feedDepth_ == 0)
        FlushDamage();
}

void Terminal::SetVideotexEnabled(bool on)
{
    videotexEnabled_ = on;
    out_.settings.WriteInt(settings::kInit, settings::kUseVtx, on ? 1 : 0);
}

bool Terminal::EnterVideotex()
{
    if (!picture_ || !picture_->OpenVideotex())
        return false;
    dataMode_ = DataMode::Videotex;
    return true;
}

void Terminal::EndPictureMode()
{
    dataMode_ = DataMode::Text;
    state_ = ParserState::Ground;
}

// ---------------------------------------------------------------- Feed

int Terminal::Feed(const uint8_t* data, int count)
{
    if (!data || count <= 0)
        return 0;
    ++feedDepth_;
    // The prompts and the auto-response table change only between feeds.
    watchersArmed_ = WatchersArmed();
    int done = 0;
    bool stop = false;
    while (done < count && !stop) {
        const uint8_t* p = data + done;
        const int left = count - done;
        if (dataMode_ == DataMode::Text) {
            const int k = FeedText(p, left, &stop);
            CodeCapture(p, k);
            zmodem_.ScanRun(p, static_cast<size_t>(k));
            done += k;
            continue;
        }
        PictureSink::Result r;
        if (picture_)
            r = dataMode_ == DataMode::Videotex ? picture_->VideotexBytes(p, left)
                                                : picture_->ImageIndexBytes(p, left);
        else
            r = {0, true};
        r.consumed = std::clamp(r.consumed, 0, left);
        // Code capture keeps the picture streams too, as they came.
        CodeCapture(p, r.consumed);
        zmodem_.ScanRun(p, static_cast<size_t>(r.consumed));
        done += r.consumed;
        if (r.ended)
            EndPictureMode();
        else if (r.consumed < left)
            stop = true;  // the receiver wants the rest later
    }
    FlushDamage();
    if (--feedDepth_ == 0)
        DeliverReplies();
    return done;
}

void Terminal::CodeCapture(const uint8_t* p, int n)
{
    if (n > 0 && capture_ && capture_->CodeCapturing())
        capture_->CodeBytes(p, n);
}

int Terminal::FeedText(const uint8_t* p, int n, bool* stop)
{
    if (tablesJohab_ != Johab() || tablesAt_ != Shared().PictureMode.load(std::memory_order_relaxed))
        BuildTables();
    int i = 0;
    while (i < n) {
        switch (state_) {
        case ParserState::Ground: {
            const uint8_t b = p[i];
            if (special_[b]) {
                const int whole = b == ESC ? WholeCsi(p, i, n) : -1;
                if (whole > 0) {
                    i = whole;
                    break;
                }
                state_ = b == CSI8 ? ParserState::CsiEntry : ParserState::Escape;
                ++i;
                break;
            }
            i += GroundRun(p + i, n - i);
            break;
        }
        case ParserState::Escape: {
            const uint8_t b = p[i++];
            switch (b) {
            case ESC: break;
            case '#': state_ = ParserState::LineSize; break;       // DEC line size
            case '%': state_ = ParserState::PictureSelect; break;  // extension: picture streams
            case '&': state_ = ParserState::HostQuery; break;      // extension: host query
            case '(': state_ = ParserState::CharsetSelect; break;  // SCS: G0 character set
            case '[': state_ = ParserState::CsiEntry; break;       // CSI
            default:
                state_ = ParserState::Ground;
                if (b == CSI8 && !Johab())
                    state_ = ParserState::CsiEntry;
                else if (b >= 0x80)
                    --i;  // abandons the sequence and is text
                else
                    EscFinal(b);
            }
            break;
        }
        case ParserState::CsiEntry: {
            const uint8_t b = p[i++];
            if (b == ESC) {
                state_ = ParserState::Escape;
            } else if (b == CSI8 && !Johab()) {
                // stays
            } else if (b >= 0x80) {
                state_ = ParserState::Ground;
                --i;
            } else if (b == '^') {
                state_ = ParserState::MusicString;
                music_->Begin();
            } else {
                // Parameters past the count read as 0 (Param), so only the
                // ones started are written.
                marker_ = 0;
                paramCount_ = 1;
                params_[0] = 0;
                if (IsDigit(b)) {
                    params_[0] = b - '0';
                    state_ = ParserState::CsiParam;
                } else if (b == ';') {
                    paramCount_ = 2;
                    params_[1] = 0;
                    state_ = ParserState::CsiParam;
                } else if (b == '<' || b == '=' || b == '>' || b == '?') {
                    marker_ = b;
                    state_ = ParserState::CsiParam;
                } else {
                    state_ = ParserState::Ground;
                    CsiDispatch(b);
                }
            }
            break;
        }
        case ParserState::CsiParam: {
            uint8_t b = p[i++];
            // Digits and separators in one tight loop.
            while (IsDigit(b) || b == ';') {
                if (b == ';') {
                    if (paramCount_ < kMaxParams)
                        params_[paramCount_++] = 0;
                } else {
                    int& v = params_[paramCount_ - 1];
                    // Values are not limited while they are read; every use
                    // clamps. Saturating keeps the arithmetic defined.
                    v = v >= 99999999 ? 99999999 : v * 10 + (b - '0');
                }
                if (i == n)
                    return n;
                b = p[i++];
            }
            if (b == ESC) {
                state_ = ParserState::Escape;
            } else if (b == CSI8 && !Johab()) {
                state_ = ParserState::CsiEntry;
            } else if (b >= 0x80) {
                state_ = ParserState::Ground;
                --i;
            } else {
                state_ = ParserState::Ground;
                CsiDispatch(b);
            }
            break;
        }
        case ParserState::MusicString: {
            const AnsiMusic::Step step = music_->Byte(p[i]);
            if (step == AnsiMusic::Step::More) {
                ++i;
                break;
            }
            if (step == AnsiMusic::Step::EndConsumed)
                ++i;
            EndMusic();
            *stop = true;
            return i;
        }
        case ParserState::LineSize:
        case ParserState::CharsetSelect:
        case ParserState::HostQuery:
        case ParserState::PictureSelect: {
            const uint8_t b = p[i];
            if (b == ESC) {
                state_ = ParserState::Escape;
                ++i;
                break;
            }
            if (b >= 0x80) {
                // A byte of 0x80 or above abandons any sequence and is text.
                state_ = ParserState::Ground;
                break;
            }
            ++i;
            const ParserState s = state_;
            state_ = ParserState::Ground;
            if (s == ParserState::LineSize)
                LineSizeByte(b);
            else if (s == ParserState::CharsetSelect)
                CharsetByte(b);
            else if (s == ParserState::HostQuery)
                HostQueryByte(b);
            else if (PictureSelectByte(b))
                return i;  // the rest of the feed goes to the picture receiver
            break;
        }
        }
    }
    return n;
}

int Terminal::WholeCsi(const uint8_t* p, int i, int n)
{
    // ESC [ params final, all inside this delivery and without the bytes that
    // change the course of a sequence (ESC, 0x80 and above, '^' first): the
    // same result as the states below, read in one go. Anything else is left
    // to the states (returns -1).
    int j = i + 2;
    if (j >= n || p[i + 1] != '[')
        return -1;
    uint8_t c = p[j];
    marker_ = 0;
    paramCount_ = 1;
    params_[0] = 0;
    if (c == '<' || c == '=' || c == '>' || c == '?') {
        marker_ = c;
        ++j;
    } else if (!IsDigit(c) && c != ';') {
        if (c == '^' || c == ESC || c >= 0x80)
            return -1;
        CsiDispatch(c);
        return j + 1;
    }
    // The parameter being read stays in a register until it ends.
    int count = 1, v = 0;
    for (; j < n; ++j) {
        c = p[j];
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (digit <= 9) {
            v = v >= 99999999 ? 99999999 : v * 10 + static_cast<int>(digit);
        } else if (c == ';') {
            params_[count - 1] = v;
            if (count < kMaxParams) {
                ++count;
                v = 0;
            }  // past the last, digits go on adding to it
        } else {
            if (c == ESC || c >= 0x80)
                return -1;
            params_[count - 1] = v;
            paramCount_ = count;
            CsiDispatch(c);
            return j + 1;
        }
    }
    return -1;
}

void Terminal::EndMusic()
{
    state_ = ParserState::Ground;
    SetHold();
    music_->Play([this] { ClearHold(); });
}

void Terminal::ClearHold()
{
    if (hold_.exchange(false))
        out_.frame.PostCommand(CMD_CONN_DATA);
}

void Terminal::EscFinal(uint8_t b)
{
    switch (b) {
    case '7': SaveCursor(); break;            // DECSC
    case '8': RestoreCursor(); break;         // DECRC
    case '=': keypadApp_ = true; break;       // DECKPAM
    case '>': keypadApp_ = false; break;      // DECKPNM
    case 'D': Index(); break;                 // IND
    case 'E': NextLine(); break;              // NEL
    case 'G': col_ = columns_ - 1; break;     // extension: cursor to the last column
    case 'M': ReverseIndex(); break;          // RI
    default: break;
    }
}

void Terminal::NextLine()
{
    // Exactly as the two bytes CR LF: through the character handler, so that
    // newline mode, the watchers and printer-controller mode see them.
    static const uint8_t kCrLf[] = {'\r', '\n'};
    GroundRun(kCrLf, 2);
}

void Terminal::LineSizeByte(uint8_t b)
{
    LineSize size;
    switch (b) {
    case '3': size = LineSize::DoubleTop; break;     // DECDHL, upper half
    case '4': size = LineSize::DoubleBottom; break;  // DECDHL, lower half
    case '5': size = LineSize::Single; break;        // DECSWL
    case '6': size = LineSize::DoubleWidth; break;   // DECDWL
    default: return;
    }
    LineAt(row_).size = size;
    TouchRow(row_);
}

void Terminal::CharsetByte(uint8_t b)
{
    // The same flag as SO and SI.
    if (b == '0')  // DEC special graphics: line drawing
        lineDrawing_ = true;
    else if (b == 'B')  // ASCII
        lineDrawing_ = false;
}

bool Terminal::PictureSelectByte(uint8_t b)
{
    switch (b) {
    case '/': state_ = ParserState::PictureSelect; break;  // stays
    case 'A':  // videotex picture, when enabled and the window can be had
        if (videotexEnabled_ && EnterVideotex())
            return true;
        break;
    case 'B':  // image index
        if (picture_) {
            picture_->StartImageIndex();
            dataMode_ = DataMode::ImageIndex;
            return true;
        }
        break;
    case 'C': {  // acknowledge
        static const uint8_t kAck[] = {ESC, '&', '3'};
        SendToHost(kAck, 3, ReplyMode::Raw);
        break;
    }
    default: break;
    }
    return false;
}

void Terminal::HostQueryByte(uint8_t b)
{
    switch (b) {
    case '2':  // identify: answered only with videotex enabled
        if (videotexEnabled_) {
            static const uint8_t kIdent[] = {ESC, '&', '3', '0', '0', '0', '0', '0', 0x7F,
                                             '0', '0', '0', '0', '0', 0x7F, '\r'};
            SendToHost(kIdent, sizeof kIdent, ReplyMode::Raw);
        }
        break;
    case '4': {  // acknowledge
        static const uint8_t kAck[] = {ESC, '&', '3'};
        SendToHost(kAck, 3, ReplyMode::Raw);
        break;
    }
    case '6': state_ = ParserState::PictureSelect; break;  // a picture select follows
    case 'Q': {  // acknowledge with CR; the ZModem receive takes note
        static const uint8_t kAckCr[] = {ESC, '&', '3', '\r'};
        SendToHost(kAckCr, 4, ReplyMode::Raw);
        Shared().QuerySeen = true;
        break;
    }
    default: break;
    }
}

void Terminal::SaveCursor()
{
    savedCol_ = col_;
    savedRow_ = row_;
    savedAttr_ = attr_;
}

void Terminal::RestoreCursor()
{
    // The screen may have shrunk since the save.
    col_ = std::min(savedCol_, columns_ - 1);
    row_ = std::min(savedRow_, rows_ - 1);
    attr_ = savedAttr_;
}

// ------------------------------------------------------ character handler

int Terminal::GroundRun(const uint8_t* p, int n)
{
    if (Shared().PrinterControl.load(std::memory_order_relaxed) && printer_ && printer_->Accepting()) {
        int j = 0;
        while (j < n && !special_[p[j]])
            ++j;
        if (PrinterRun(p, j))
            return j;
        // The print file did not take the run: it is shown rather than lost.
    }
    bool fast = !insert_ && !fullWidth_ && !lineDrawing_;
    int i = 0;
    while (i < n) {
        const uint8_t b = p[i];
        if (text_[b]) {
            const int k = fast && !leadPending_ ? PrintText(p + i, n - i) : (PrintChar(b), 1);
            RunWatchers(p + i, k);
            i += k;
        } else if (special_[b]) {
            break;
        } else {
            if (b != 0) {
                RunWatchers(p + i, 1);
                leadPending_ = false;
                Control(b);
                fast = !insert_ && !fullWidth_ && !lineDrawing_;  // SO and SI
            }
            ++i;
        }
    }
    return i;
}

const AutoResponseTable& Terminal::Responses() const
{
    static const AutoResponseTable kNone;
    return autoResponses_ ? *autoResponses_ : kNone;
}

bool Terminal::WatchersArmed() const
{
    if (prompts_[0].armed > 0 || prompts_[1].armed > 0)
        return true;
    const int service = Shared().ServiceKind.load(std::memory_order_relaxed);
    const AutoResponseTable& table = Responses();
    for (int group : {service, AutoResponseTable::kCommonGroup}) {
        if (group < 0 || group > AutoResponseTable::kCommonGroup)
            continue;
        for (const AutoResponseRow& row : table.rows[group])
            if (row.enabled && !row.word.empty())
                return true;
    }
    return false;
}

void Terminal::RunWatchers(const uint8_t* p, int n)
{
    if (!watchersArmed_)
        return;
    const int service = Shared().ServiceKind.load(std::memory_order_relaxed);
    const AutoResponseTable& table = Responses();
    for (int i = 0; i < n; ++i)
        if (p[i] != 0)
            WatchByte(p[i], service, table);
}

void Terminal::WatchByte(uint8_t b, int service, const AutoResponseTable& table)
{
    for (PromptWatch& w : prompts_) {
        if (w.armed == 0)
            continue;
        w.counter = (b == static_cast<uint8_t>(w.prompt[w.counter])) ? w.counter + 1 : 0;
        if (w.counter >= w.armed) {
            w.armed = 0;
            w.counter = 0;
            if (!w.answer.empty()) {
                std::string reply = w.answer + '\r';
                SendToHost(reinterpret_cast<const uint8_t*>(reply.data()),
                           static_cast<int>(reply.size()), ReplyMode::Raw);
            }
        }
    }
    for (int g = 0; g < 2; ++g) {
        const int group = g == 0 ? service : AutoResponseTable::kCommonGroup;
        if (g == 0 && (group < 0 || group >= AutoResponseTable::kCommonGroup))
            continue;
        for (int r = 0; r < AutoResponseTable::kRows; ++r) {
            const AutoResponseRow& row = table.rows[group][r];
            if (!row.enabled || row.word.empty())
                continue;
            int& c = arCounters_[g][r];
            if (c >= static_cast<int>(row.word.size()))
                c = 0;  // the word was edited shorter since
            c = (b == static_cast<uint8_t>(row.word[c])) ? c + 1 : 0;
            if (c == static_cast<int>(row.word.size())) {
                c = 0;
                if (!out_.flags.ConnState.Receiving && !out_.flags.ConnState.Sending && !row.response.empty())
                    SendToHost(reinterpret_cast<const uint8_t*>(row.response.data()),
                               static_cast<int>(row.response.size()), ReplyMode::Macro);
            }
        }
    }
}

void Terminal::Control(uint8_t b)
{
    switch (b) {
    case 0x07:  // BEL
        if (surface_)
            surface_->Beep();
        break;
    case 0x08:  // BS
        if (col_ > 0)
            --col_;
        break;
    case 0x09:  // HT: fixed stops every 8 columns, the last at 72
        if (col_ <= 71)
            col_ = std::min((col_ / 8 + 1) * 8, columns_ - 1);
        break;
    case 0x0A:  // LF
        LineFeed();
        break;
    case 0x0C:  // FF
        ClearScreenIntoScrollback();
        col_ = row_ = 0;
        break;
    case 0x0D:  // CR
        col_ = 0;
        if (Shared().NewlineMode.load(std::memory_order_relaxed))
            LineFeed();
        break;
    case 0x0E:  // SO
        lineDrawing_ = true;
        break;
    case 0x0F:  // SI
        lineDrawing_ = false;
        break;
    case 0x11:  // DC1
        ClearHold();
        break;
    case 0x13:  // DC3
        SetHold();
        break;
    case 0x84:  // IND
        Index();
        break;
    case 0x85:  // NEL
        col_ = 0;
        LineFeed();
        break;
    case 0x8D:  // RI
        ReverseIndex();
        break;
    default:
        break;
    }
}

void Terminal::LineFeed()
{
    Highlight();
    Index();
}

void Terminal::Index()
{
    if (row_ == regionBottom_)
        ScrollUp();
    else if (row_ < rows_ - 1)
        ++row_;
}

void Terminal::ReverseIndex()
{
    if (row_ == regionTop_)
        ScrollDown();
    else if (row_ > 0)
        --row_;
}

void Terminal::OnScreenCleared()
{
    leadPending_ = false;
}

void Terminal::Highlight()
{
    if (!anyHighlight_)
        return;
    ScreenLine& line = LineAt(row_);
    CellAttr* attrs = AttrsAt(row_);
    bool found = false;
    for (const std::string& w : highlight_) {
        const int len = static_cast<int>(w.size());
        if (len == 0 || len > columns_)
            continue;
        for (int c = 0; c + len <= columns_; ++c) {
            if (std::memcmp(line.text + c, w.data(), static_cast<size_t>(len)) != 0)
                continue;
            FillAttrs(attrs + c, CellAttr{15, 9, 0}, len);
            Touch(row_, c, c + len - 1);
            found = true;
        }
    }
    if (found && surface_)
        surface_->EventSound("단어찾기");
}

int Terminal::WrapLimit() const
{
    return Line(row_).size == LineSize::Single ? columns_ : columns_ / 2;
}

void Terminal::Wrap()
{
    // The character does not fit: the rest of the line shows the background
    // and the cursor cell is cleared, then the cursor starts the next line.
    ClearSpan(row_, col_, col_);
    Touch(row_, col_, columns_ - 1);
    col_ = 0;
    LineFeed();
}

void Terminal::AfterAdvance()
{
    if (autowrap_) {
        const bool single = LineAt(row_).size == LineSize::Single;
        if (single ? col_ >= columns_ : col_ * 2 >= columns_) {
            if (col_ < columns_)
                Touch(row_, col_, columns_ - 1);
            col_ = 0;
            LineFeed();
            return;
        }
    }
    if (col_ >= columns_)
        col_ = columns_ - 1;
}

int Terminal::PrintText(const uint8_t* p, int n)
{
    // Takes the printing bytes from the start of p while no lead byte is
    // pending; each byte then takes exactly one cell (single bytes one, the
    // two bytes of a pair two), so what fits on the line is copied at once.
    int taken = 0;
    while (taken < n) {
        const uint8_t* q = p + taken;
        const int left = n - taken;
        ScreenLine& line = LineAt(row_);
        const int limit = !autowrap_ || line.size == LineSize::Single ? columns_ : columns_ / 2;
        const int room = limit - col_;
        int i = 0;
        bool extension = false, more = false;
        while (i < left) {
            const uint8_t b = q[i];
            if (!text_[b])
                break;
            if (b < 0x80) {
                if (i >= room) {
                    more = true;
                    break;
                }
                ++i;
                continue;
            }
            if (i + 1 >= left || !text_[q[i + 1]] || i + 2 > room) {
                more = true;
                break;  // a lead byte without its pair here, or a pair that does not fit
            }
            extension |= b == 0xAD || b == 0xAE;
            i += 2;
        }
        if (i > 0) {
            uint8_t* dst = line.text + col_;
            if (i <= 8) {
                for (int k = 0; k < i; ++k)
                    dst[k] = q[k];
            } else {
                std::memcpy(dst, q, static_cast<size_t>(i));
            }
            FillAttrs(AttrsOf(line) + col_, attr_, i);
            if (extension && !Johab())
                ReplaceExtensions(dst, i);
            Touch(row_, col_, col_ + i - 1);
            col_ += i;
            taken += i;
            if (line.size != LineSize::Single || col_ >= columns_)
                AfterAdvance();  // otherwise still inside the line: nothing to do
            if (!more)
                return taken;  // stopped at a byte that does not print
            continue;
        }
        if (!more)
            break;
        if (q[0] >= 0x80 && (left == 1 || !text_[q[1]])) {
            // The lead byte waits for its second byte (a control drops it).
            leadPending_ = true;
            lead_ = q[0];
            return taken + 1;
        }
        // The next character does not fit: the per-character rules wrap it
        // early or, without autowrap, keep its first byte on the last cell.
        const int width = q[0] >= 0x80 ? 2 : 1;
        PlaceChar(width, q[0], width == 2 ? q[1] : 0, 0);
        taken += width;
    }
    return taken;
}

void Terminal::ReplaceExtensions(uint8_t* text, int n)
{
    for (int j = 0; j < n;) {
        if (text[j] < 0x80) {
            ++j;
            continue;
        }
        if (text[j] == 0xAD || text[j] == 0xAE) {
            const uint16_t r = hangul::ExtensionLookup(static_cast<uint16_t>(text[j] << 8 | text[j + 1]));
            if (r > 8) {
                text[j] = static_cast<uint8_t>(r >> 8);
                text[j + 1] = static_cast<uint8_t>(r);
            }
        }
        j += 2;
    }
}

void Terminal::PrintChar(uint8_t b)
{
    if (leadPending_) {
        leadPending_ = false;
        PlaceChar(2, lead_, b, 0);
        return;
    }
    if (b >= 0x80) {
        leadPending_ = true;
        lead_ = b;
        return;
    }
    if (fullWidth_ && b >= 0x21 && b <= 0x7E) {
        PlaceChar(2, 0xA3, static_cast<uint8_t>(b + 0x80), 0);
        return;
    }
    if (fullWidth_ && b == ' ') {
        PlaceChar(2, ' ', ' ', 0);
        return;
    }
    PlaceChar(1, b, 0, lineDrawing_ && IsLineDrawingLetter(b) ? kLineDrawing : 0);
}

void Terminal::PlaceChar(int width, uint8_t first, uint8_t second, uint8_t flags)
{
    if (width == 2 && (first == 0xAD || first == 0xAE) && !Johab()) {
        uint8_t pair[2] = {first, second};
        ReplaceExtensions(pair, 2);
        first = pair[0];
        second = pair[1];
    }
    if (autowrap_ && col_ + width > WrapLimit())
        Wrap();
    ScreenLine& line = LineAt(row_);
    CellAttr* attrs = AttrsAt(row_);
    if (insert_) {
        const int move = columns_ - col_ - width;
        if (move > 0) {
            std::memmove(line.text + col_ + width, line.text + col_, static_cast<size_t>(move));
            std::memmove(static_cast<void*>(attrs + col_ + width), attrs + col_,
                         static_cast<size_t>(move) * sizeof(CellAttr));
        }
        Touch(row_, col_, columns_ - 1);
    }
    CellAttr a = attr_;
    a.flags = static_cast<uint8_t>(a.flags | flags);
    line.text[col_] = first;
    attrs[col_] = a;
    if (width == 2 && col_ + 1 < columns_) {
        line.text[col_ + 1] = second;
        attrs[col_ + 1] = a;
    }
    Touch(row_, col_, std::min(col_ + width - 1, columns_ - 1));
    col_ += width;
    AfterAdvance();
}

bool Terminal::PrinterRun(const uint8_t* p, int n)
{
    if (n <= 0)
        return true;
    bool ok;
    if (n > 1023) {
        ok = printer_->Write(p, n);
    } else {
        // A CR at the end of the run before (a read may end between CR and
        // LF) counts as the byte before the first.
        uint8_t buf[2048];
        int k = 0;
        for (int i = 0; i < n; ++i) {
            if (p[i] == '\n' && (i == 0 ? !printerLastCr_ : p[i - 1] != '\r'))
                buf[k++] = '\r';
            buf[k++] = p[i];
        }
        ok = printer_->Write(buf, k);
    }
    if (ok)
        printerLastCr_ = p[n - 1] == '\r';
    return ok;
}

// --------------------------------------------------------------- watchers

void Terminal::SetAutoLogin(std::string_view userPrompt, std::string_view userId,
                            std::string_view passwordPrompt, std::string_view password)
{
    prompts_[0].prompt.assign(userPrompt);
    prompts_[0].answer.assign(userId);
    prompts_[1].prompt.assign(passwordPrompt);
    prompts_[1].answer.assign(password);
}

void Terminal::SetHighlightWord(int i, std::string_view word)
{
    if (i < 0 || i >= kHighlightWords)
        return;
    highlight_[i].assign(word.substr(0, kLineBytes));
    anyHighlight_ = std::any_of(highlight_.begin(), highlight_.end(),
                                [](const std::string& w) { return !w.empty(); });
}

void Terminal::ResetWatchCounters()
{
    for (PromptWatch& w : prompts_) {
        w.counter = 0;
        w.armed = w.prompt.size();
    }
    for (auto& g : arCounters_)
        g.fill(0);
}

// ---------------------------------------------------------------- replies

bool Terminal::SendToHost(const uint8_t* data, int count, ReplyMode mode)
{
    if (!data || count <= 0 || count > 0xFFFF)
        return false;
    if (feedDepth_ == 0) {
        if (!replies_)
            return false;
        replies_->Reply(data, count, mode);
        return true;
    }
    if (replyBytes_.size() + static_cast<size_t>(count) > kMaxQueuedReplies)
        return false;
    replyList_.push_back({static_cast<uint32_t>(replyBytes_.size()), static_cast<uint32_t>(count), mode});
    replyBytes_.insert(replyBytes_.end(), data, data + count);
    return true;
}

void Terminal::DeliverReplies()
{
    if (replyList_.empty())
        return;
    // Taken out first: a sink that feeds the terminal again (local echo)
    // starts a fresh queue.
    std::vector<uint8_t> bytes;
    std::vector<ReplyRef> list;
    bytes.swap(replyBytes_);
    list.swap(replyList_);
    if (replies_)
        for (const ReplyRef& r : list)
            replies_->Reply(bytes.data() + r.offset, static_cast<int>(r.count), r.mode);
}

// ----------------------------------------------------------------- resets

void Terminal::ResetMusic()
{
    music_->Reset();
}

void Terminal::ResetOnConnect()
{
    ResetMusic();
    if (picture_)
        picture_->CloseVideotex();
    EndPictureMode();
    regionTop_ = 0;
    regionBottom_ = rows_ - 1;
    fullWidth_ = false;
    ResetWatchCounters();
    leadPending_ = false;
    zmodem_.ResetPosition();
    ClearHold();
}

void Terminal::ResetOnDisconnect()
{
    if (picture_)
        picture_->ResetImageIndex();
    EndPictureMode();
    music_->Stop();
}

void Terminal::TerminalReset()
{
    if (picture_)
        picture_->ResetImageIndex();
    lineDrawing_ = false;
    EndPrinter();
    attr_ = CellAttr{static_cast<uint8_t>(defaultFg_), static_cast<uint8_t>(defaultBg_), 0};
    ResetMusic();
    regionTop_ = 0;
    regionBottom_ = rows_ - 1;
    savedAttr_.flags = 0;
    if (picture_)
        picture_->CloseVideotex();
    EndPictureMode();
    insert_ = false;
    Shared().NewlineMode = false;
    autowrap_ = true;
    fullWidth_ = false;
    cursorKeyApp_ = keypadApp_ = false;
    ClearHold();
}

void Terminal::ClearScreen()
{
    ClearScreenIntoScrollback();
    if (feedDepth_ == 0)
        FlushDamage();
}

void Terminal::CaptureScreen()
{
    for (int r = 0; r < rows_; ++r)
        CaptureLine(LineAt(r));
}

int Terminal::PlaceCaretColumn()
{
    if (LineAt(row_).size != LineSize::Single && col_ * 2 >= columns_)
        col_ = std::max((columns_ - 2) / 2, 0);
    return col_;
}

}  // namespace velo

// The terminal engine: the screen model plus the interpreter of received
// bytes. Everything the host sends goes through Feed; replies to the host are
// queued with SendToHost and handed to the ReplySink when the feed returns.
// Window-free: the window (CAnsiTerm) owns a Terminal, implements the sinks,
// and draws from the model.
//
// For the frame (data path):
//   int Feed(bytes, count)   -> bytes taken; fewer than given only after an
//                              ANSI music string (the hold flag is then set)
//                              or when a picture receiver keeps the rest
//   Hold()                   true: feed nothing until it clears; clearing it
//                              (DC1, end of a tune, resets) posts CMD_CONN_DATA
//                              to the outlets' frame
//   TermShared               the shared flags (Outlets): Frozen, NewlineMode,
//                              PictureMode, PrinterControl, QuerySeen, ServiceKind
//   ResetOnConnect(), ResetOnDisconnect(), TerminalReset(), ClearScreen()
//   SetAutoLogin(...)        the entry's log-in prompts and answers (host
//                              bytes); armed by ResetOnConnect
// For the window (drawing): the ScreenModel accessors, the modes below, and a
// TermSurface that receives damage, scrolls and shapes (TermSurface.h). The
// window leaves the scrollback view itself on connect; the shell owns the
// auto-response table and hands it over (SetAutoResponses).
//
// Display codes. In KS mode 0x9B is CSI and 0x84, 0x85, 0x8D are IND, NEL and
// RI. In Johab mode all four are lead or trail bytes of characters and print
// like any other byte of 0x80 and above (Johab uses 0x84..0xD3 as lead bytes:
// dropping them would lose common syllables).
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Outlets.h"
#include "terminal/AnsiMusic.h"
#include "terminal/HangulCodec.h"
#include "terminal/ScreenModel.h"
#include "terminal/ZModemDetect.h"
#include "terminal/TermSurface.h"

namespace velo {

struct AutoResponseTable;

enum class DataMode : uint8_t { Text, Videotex, ImageIndex };

enum class ParserState : uint8_t {
    Ground,
    Escape,
    CsiEntry,
    CsiParam,
    LineSize,
    MusicString,
    HostQuery,
    PictureSelect,
    CharsetSelect
};

class Terminal : public ScreenModel {
public:
    static constexpr int kMaxParams = 15;
    static constexpr int kHighlightWords = 5;
    // Replies queued inside one feed beyond this many bytes are dropped.
    static constexpr size_t kMaxQueuedReplies = 64 * 1024;

    // Reads "초기 환경": "글자색", "바탕색" and "UseVTX" from the outlets'
    // settings; shares their flags and reports to their frame.
    explicit Terminal(const Outlets& out);
    ~Terminal() override;

    void SetReplySink(ReplySink* s) { replies_ = s; }
    void SetPictureSink(PictureSink* s) { picture_ = s; }
    void SetPrinterSink(PrinterSink* s) { printer_ = s; }
    // The music player (the window's, with MIDI output and a timer thread).
    // Without one, a silent player of the terminal's own reads the strings
    // and ends each tune at once. Its done callback clears the hold flag from
    // the timer's thread; the owner stops it before destroying the terminal.
    void SetMusic(AnsiMusic* m) { music_ = m ? m : ownMusic_.get(); }
    // Cell metrics in pixels, for the drawing sequences (default 8 x 16).
    void SetCellSize(int width, int height);

    int Feed(const uint8_t* data, int count);
    // Queues a reply; handed over when the current feed returns, at once
    // outside a feed. False when dropped.
    bool SendToHost(const uint8_t* data, int count, ReplyMode mode);

    bool Hold() const { return hold_.load(); }
    void SetHold() { hold_.store(true); }
    void ClearHold();  // posts CMD_CONN_DATA when the flag was set

    void ResetOnConnect();
    void ResetOnDisconnect();
    void TerminalReset();

    // Frame commands.
    void ClearScreen();     // "화면 지우기": clear into scrollback, home
    void CaptureScreen();   // text capture ends: hand every screen row to capture
    hangul::DisplayCode DisplayCode() const { return displayCode_; }
    void SetDisplayCode(hangul::DisplayCode code);  // damages the whole screen
    bool VideotexEnabled() const { return videotexEnabled_; }
    void SetVideotexEnabled(bool on);  // stored back as "초기 환경"/"UseVTX"
    // Enters videotex from outside the stream (the "VTX 상태" command, a
    // picture file): opens or reuses the picture window. False, and the data
    // mode stays as it was, when there is no picture sink or no window.
    bool EnterVideotex();
    // Leaves a picture mode (the "VTX 상태" command, the window closing).
    void EndPictureMode();

    // Watchers.
    void SetAutoLogin(std::string_view userPrompt, std::string_view userId,
                      std::string_view passwordPrompt, std::string_view password);
    void SetHighlightWord(int i, std::string_view word);
    // The auto-response table the watchers match (null: none). The owner
    // changes it only between feeds.
    void SetAutoResponses(const AutoResponseTable* table) { autoResponses_ = table; }
    const ZModemStartDetector& ZModemDetector() const { return zmodem_; }
    const Outlets& Out() const { return out_; }
    const std::string& HighlightWord(int i) const { return highlight_[i]; }

    // Modes the window and the keyboard read.
    bool Autowrap() const { return autowrap_; }
    bool InsertMode() const { return insert_; }
    bool LineDrawing() const { return lineDrawing_; }
    bool FullWidth() const { return fullWidth_; }
    bool CursorKeyApplication() const { return cursorKeyApp_; }
    bool KeypadApplication() const { return keypadApp_; }
    CaretKind CaretShape() const { return caretShape_; }
    bool CaretBlink() const { return caretBlink_; }
    DataMode GetDataMode() const { return dataMode_; }
    ParserState State() const { return state_; }
    bool LeadPending() const { return leadPending_; }
    float PenX() const { return penX_; }
    float PenY() const { return penY_; }
    // The caret's cell column: on a double-width or double-height line a
    // cursor whose doubled column reaches the screen width is first put on
    // (columns - 2) / 2.
    int PlaceCaretColumn();

private:
    struct PromptWatch {
        std::string prompt, answer;
        size_t counter = 0, armed = 0;
    };

    int FeedText(const uint8_t* p, int n, bool* stop);
    int WholeCsi(const uint8_t* p, int i, int n);
    // The character handler over text up to the next byte that starts a
    // sequence; returns the bytes taken.
    int GroundRun(const uint8_t* p, int n);
    void RunWatchers(const uint8_t* p, int n);
    bool WatchersArmed() const;
    void WatchByte(uint8_t b, int service, const AutoResponseTable& table);
    void Control(uint8_t b);
    int PrintText(const uint8_t* p, int n);
    // The private symbols of rows 0xAD/0xAE (KS mode) are stored as the KS C
    // 5601 code they stand for; block glyphs keep their bytes. `text` holds
    // whole characters.
    static void ReplaceExtensions(uint8_t* text, int n);
    void PrintChar(uint8_t b);
    void PlaceChar(int width, uint8_t first, uint8_t second, uint8_t flags);
    void AfterAdvance();
    void Wrap();
    int WrapLimit() const;

    void LineFeed();
    void Index();
    void ReverseIndex();
    void Highlight();
    void SaveCursor();
    void RestoreCursor();
    // The single-character escape sequences and the bytes after ESC #, ESC (,
    // ESC % and ESC &.
    void EscFinal(uint8_t b);
    void NextLine();
    void LineSizeByte(uint8_t b);
    void CharsetByte(uint8_t b);
    // True when the byte switched the data mode to a picture receiver.
    bool PictureSelectByte(uint8_t b);
    void HostQueryByte(uint8_t b);
    // The control sequences: CsiDispatch reads the final byte and the
    // marker; each handler reads the parameters it needs.
    void CsiDispatch(uint8_t final);
    void CursorUp(int n);
    void CursorDown(int n);
    void CursorForward(int n);
    void CursorBack(int n);
    void CursorPosition(int row, int col);  // one-based
    void SetPcColour(uint8_t& colour);
    void AtSignEscape();
    void MediaCopy();
    void DeviceStatusReport();
    void SetCaretShape(int p1);
    void SetModes(bool on);
    void Attributes();
    void ScrollRegion();
    void EraseChars(int n);
    void InsertChars(int n);
    void DeleteChars(int n);
    void InsertLines(int n);
    void DeleteLines(int n);
    void EraseDisplay(int how);
    void EraseLine(int how);
    void DrawBox(int w, int h);
    void DrawCellLine();
    void MovePen();
    void DrawLineTo();
    void DrawPixel();
    void DrawShape(uint8_t final);
    void DrawArc(bool clockwise);
    void EmitShape(const TermShape& s);
    void StartPrinter();
    void EndPrinter();
    // Hands a run to the print file; false when the sink refused it.
    bool PrinterRun(const uint8_t* p, int n);
    void EndMusic();
    void ResetMusic();
    int Param(int i) const { return i < paramCount_ ? params_[i] : 0; }
    int N() const { return params_[0] <= 0 ? 1 : params_[0]; }
    void BuildTables();
    void DeliverReplies();
    void CodeCapture(const uint8_t* p, int n);
    void ResetWatchCounters();
    void OnScreenCleared() override;
    bool Johab() const { return displayCode_ == hangul::DisplayCode::Johab; }

    TermSharedFlags& Shared() const { return out_.flags.TermShared; }
    const AutoResponseTable& Responses() const;

    Outlets out_;
    ZModemStartDetector zmodem_;
    const AutoResponseTable* autoResponses_ = nullptr;
    ReplySink* replies_ = nullptr;
    PictureSink* picture_ = nullptr;
    PrinterSink* printer_ = nullptr;
    bool printerLastCr_ = false;  // the last byte the print file took was CR
    std::unique_ptr<AnsiMusic> ownMusic_;
    AnsiMusic* music_ = nullptr;
    int cellW_ = 8, cellH_ = 16;

    DataMode dataMode_ = DataMode::Text;
    ParserState state_ = ParserState::Ground;
    int marker_ = 0;
    int paramCount_ = 1;
    std::array<int, kMaxParams> params_{};
    bool leadPending_ = false;
    uint8_t lead_ = 0;
    bool autowrap_ = true;
    bool insert_ = false;
    bool lineDrawing_ = false;
    bool fullWidth_ = false;
    bool cursorKeyApp_ = false, keypadApp_ = false;
    CaretKind caretShape_ = CaretKind::Block;
    bool caretBlink_ = true;
    int savedCol_ = 0, savedRow_ = 0;
    CellAttr savedAttr_{};
    float penX_ = 0, penY_ = 0;
    hangul::DisplayCode displayCode_ = hangul::DisplayCode::Ks;
    bool videotexEnabled_ = true;
    std::atomic<bool> hold_{false};

    // Ground: bytes that end a run of text (ESC, 0x9B, '@' by the modes).
    std::array<bool, 256> special_{};
    // Bytes the character handler prints (not controls, not special_).
    std::array<bool, 256> text_{};
    bool tablesJohab_ = false, tablesAt_ = false;

    std::array<PromptWatch, 2> prompts_;
    std::array<std::array<int, 10>, 2> arCounters_{};  // service group, common group
    std::array<std::string, kHighlightWords> highlight_;
    bool anyHighlight_ = false;
    bool watchersArmed_ = false;

    int feedDepth_ = 0;
    std::vector<uint8_t> replyBytes_;
    struct ReplyRef {
        uint32_t offset, count;
        ReplyMode mode;
    };
    std::vector<ReplyRef> replyList_;
};

}  // namespace velo

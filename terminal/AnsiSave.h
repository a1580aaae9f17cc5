// The ANSI screen save ("안시 갈무리"): the screen as a file of ANSI codes
// that draws it again, colours included, when it is sent back to an ANSI
// terminal. Window-free: built from the screen model.
//
// The bytes:
//   ESC[s ESC[m ESC[1;1H          save cursor, reset attributes, home (12 bytes)
//   each screen row, top to bottom:
//     ESC#5 | ESC#6 | ESC#3 | ESC#4   line size: single, double width, upper
//                                     half, lower half
//     each cell the row shows: what changed against the cell before (the row
//     before included; before the first cell of the screen all of it), in
//     this order, then the cell's byte:
//       foreground 0..7: ESC[<30+c>m    8..15: ESC[=<n>F  (n: PC colour order)
//       background 0..7: ESC[<40+c>m    8..15: ESC[=<n>G
//       bold ESC[1m / ESC[22m, underline ESC[4m / ESC[24m, reverse ESC[7m / ESC[27m
//     the row's trailing blanks are left out (only those that look like the
//     screen's cleared cells: default background, neither underlined nor
//     reversed), then CR LF
//   ESC[u                         restore cursor
// Blink, italic, faint, concealed and the line-drawing flag are not saved;
// double-byte characters are written byte by byte as stored, both bytes in
// the attributes of the first (no sequence may split a pair).
//
// Replayed on a cleared screen of the same size, the file gives the same
// picture. For that three rows end differently: a row whose cells reach its
// last shown column ends without CR LF (the terminal's autowrap has gone to
// the next row already; a CR LF would leave an empty row), the last row ends
// without CR LF (it would scroll the picture up by a row), and a last row that
// reaches its last column writes that cell with autowrap off (ESC[?7l ...
// ESC[?7h) so that it cannot scroll either.
#pragma once

#include <string>

#include "terminal/ScreenModel.h"

namespace velo {

std::string AnsiScreenBytes(const ScreenModel& screen);

enum class AnsiSaveResult { Saved, CannotOpen, WriteFailed };

// Writes the screen to `path`, created anew and held against other writers
// for the time of the write. WriteFailed leaves what was written so far.
AnsiSaveResult SaveAnsiScreen(const ScreenModel& screen, const std::string& path);

// The messages of the save ("%s" is the file's name).
inline constexpr char kAnsiFileBusy[] = "파일 %s를 열 수 없습니다. 사용중인 것 같습니다.";
inline constexpr char kAnsiFileWriteFailed[] = "파일 %s를 다 쓰지 못했습니다.";

}  // namespace velo

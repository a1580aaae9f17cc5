#include "terminal/ui/TermText.h"

#include <cctype>
#include <vector>

namespace velo::termtext {

void PairMap(const uint8_t* text, int columns, uint8_t* out)
{
    for (int c = 0; c < columns; ++c) {
        if (text[c] >= 0x80 && c + 1 < columns) {
            out[c] = 1;
            out[c + 1] = 2;
            ++c;
        } else {
            out[c] = 0;
        }
    }
}

int ColumnAtX(const uint8_t* text, int columns, int x, int cellWidth)
{
    if (cellWidth <= 0 || columns <= 0)
        return 0;
    if (x < 0)
        return 0;
    int c = x / cellWidth;
    if (c < columns) {
        uint8_t map[256];
        PairMap(text, columns, map);
        if (map[c] == 1)
            return c;
        if (map[c] == 2)
            return c + 1;
    }
    int r = (x + cellWidth / 2) / cellWidth;
    return r < 0 ? 0 : (r > columns ? columns : r);
}

void WidenToPairs(const uint8_t* text, int columns, int* first, int* last)
{
    uint8_t map[256];
    PairMap(text, columns, map);
    if (*first > 0 && *first < columns && map[*first] == 2)
        --*first;
    if (*last >= 0 && *last < columns - 1 && map[*last] == 1)
        ++*last;
}

namespace {
void AppendTrimmed(std::string& out, const uint8_t* p, int n)
{
    while (n > 0 && p[n - 1] == ' ')
        --n;
    out.append(reinterpret_cast<const char*>(p), size_t(n > 0 ? n : 0));
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

std::string SelectionText(int startRow, int startCol, int endRow, int endCol, int columns,
                          const std::function<const uint8_t*(int row)>& rowText)
{
    std::string out;
    startCol = Clamp(startCol, 0, columns);
    endCol = Clamp(endCol, 0, columns);
    if (endRow < startRow)
        return out;
    if (startRow == endRow) {
        if (endCol > startCol)
            out.append(reinterpret_cast<const char*>(rowText(startRow) + startCol),
                       size_t(endCol - startCol));
        return out;
    }
    AppendTrimmed(out, rowText(startRow) + startCol, columns - startCol);
    out += "\r\n";
    for (int r = startRow + 1; r < endRow; ++r) {
        AppendTrimmed(out, rowText(r), columns);
        out += "\r\n";
    }
    AppendTrimmed(out, rowText(endRow), endCol);
    return out;
}

std::string TrimmedLine(const uint8_t* text, int columns)
{
    std::string out;
    AppendTrimmed(out, text, columns);
    return out;
}

namespace {

bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool IsLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool IsItemChar(uint8_t b) { return b == '!' || b == '*' || IsDigit(b) || IsLetter(b); }
bool IsDelimiter(uint8_t b)
{
    return b == '(' || b == ')' || b == ',' || b == '/' || b == '[' || b == ']';
}

HotSpot Number(const uint8_t* t, int columns, int col)
{
    HotSpot h;
    if (!IsDigit(t[col]))
        return h;
    int a = col, b = col;
    while (a > 0 && IsDigit(t[a - 1]))
        --a;
    while (b + 1 < columns && IsDigit(t[b + 1]))
        ++b;
    if (b - a + 1 > 8)
        return h;
    h.first = a;
    h.last = b;
    h.kind = HotSpot::Kind::Number;
    h.text.assign(reinterpret_cast<const char*>(t + a), size_t(b - a + 1));
    h.fileNumber = b + 1 < 10;
    return h;
}

HotSpot Choice(const uint8_t* t, int columns, int col)
{
    HotSpot h;
    int open = -1;
    for (int c = col; c >= 0; --c)
        if (t[c] == '(' || t[c] == '[') {
            open = c;
            break;
        }
    if (open < 0)
        return h;
    uint8_t want = t[open] == '(' ? ')' : ']';
    int close = -1;
    for (int c = col; c < columns; ++c)
        if (t[c] == want) {
            close = c;
            break;
        }
    if (close < 0 || close <= open + 1)
        return h;
    // Every item between the brackets: 1..8 of the item characters.
    int len = 0;
    for (int c = open + 1; c < close; ++c) {
        if (t[c] == ',' || t[c] == '/') {
            if (len == 0)
                return h;
            len = 0;
        } else if (IsItemChar(t[c])) {
            if (++len > 8)
                return h;
        } else {
            return h;
        }
    }
    if (len == 0)
        return h;
    int a = col, b = col;
    while (a > 0 && !IsDelimiter(t[a - 1]))
        --a;
    if (IsDelimiter(t[col]))
        return h;
    while (b + 1 < columns && !IsDelimiter(t[b + 1]))
        ++b;
    if (b < a)
        return h;
    h.first = a;
    h.last = b;
    h.kind = HotSpot::Kind::Choice;
    h.text.assign(reinterpret_cast<const char*>(t + a), size_t(b - a + 1));
    return h;
}

HotSpot Word(const uint8_t* t, int columns, int col)
{
    HotSpot h;
    if (!IsLetter(t[col]))
        return h;
    int a = col, b = col;
    while (a > 0 && IsLetter(t[a - 1]))
        --a;
    while (b + 1 < columns && IsLetter(t[b + 1]))
        ++b;
    if (b - a + 1 > 3 || b + 1 >= columns || t[b + 1] != '.')
        return h;
    h.first = a;
    h.last = b;
    h.kind = HotSpot::Kind::Word;
    h.text.assign(reinterpret_cast<const char*>(t + a), size_t(b - a + 1));
    return h;
}

}  // namespace

HotSpot FindHotSpot(const uint8_t* text, int columns, int col)
{
    if (col < 0 || col >= columns)
        return {};
    // A byte of a Hangul pair is never part of an item: mask the pairs so
    // that their second bytes (which can be letters or digits in Johab) do not
    // read as ASCII.
    uint8_t map[256];
    uint8_t t[256];
    PairMap(text, columns, map);
    for (int c = 0; c < columns; ++c)
        t[c] = map[c] ? 0x80 : text[c];
    HotSpot h = Number(t, columns, col);
    if (!h.Valid())
        h = Choice(t, columns, col);
    if (!h.Valid())
        h = Word(t, columns, col);
    return h;
}

ClickSend ClickToSend(const std::string& hotText, ClickMods mods, int serviceKind)
{
    std::string t = hotText;
    size_t z = 0;
    while (z + 1 < t.size() && t[z] == '0')
        ++z;
    t.erase(0, z);
    ClickSend s;
    switch (mods) {
    case ClickMods::None:
        s.bytes = t + "\r";
        break;
    case ClickMods::Shift:
        s.bytes = t + " ";
        break;
    case ClickMods::Ctrl:
        if (serviceKind == 0)
            s.macro = "nr " + t + "\\r";
        else if (serviceKind >= 1 && serviceKind <= 4)
            s.macro = "pr " + t + "\\r\\w\\w\\r";
        break;
    case ClickMods::ShiftCtrl:
        break;
    }
    return s;
}

std::string ReceiveFileCommand(int serviceKind, const std::string& number)
{
    switch (serviceKind) {
    case 0: return "mdown " + number + "\r";
    case 1:
    case 2:
    case 3: return "dn " + number + "\r";
    case 4: return "\r " + number + "\r";
    default: return {};
    }
}

std::string ReceiveFileFollowUp(int serviceKind)
{
    switch (serviceKind) {
    case 0: return "z\r";
    case 1: return "2\r";
    case 2:
    case 3: return "1\r";
    case 4: return "\r";
    default: return {};
    }
}

}  // namespace velo::termtext

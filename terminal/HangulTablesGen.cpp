// Writes terminal/HangulTablesGenerated.cpp: the KS C 5601 -> Johab column of
// the 94 x 94 conversion table and the CP949 -> Unicode table (CP949 and, where
// it has a gap, EUC-KR). Run at
// development time only (glibc iconv supplies the code charts); the program
// itself never calls iconv.
//
//   hangul_tables_gen OUT.cpp            write the tables
//   hangul_tables_gen --check FILE.cpp   exit 1 when FILE differs from what
//                                        would be written
//
// The Johab column is computed, not converted, so that iconv's own JOHAB
// converter stays an independent check for the tests:
// - syllables (rows 0xB0..0xC8): the Unicode syllable split into initial,
//   medial and final, packed as 1 iiiii mmmmm fffff;
// - symbols (rows 0xA1..0xAC) and hanja (rows 0xCA..0xFD): two KS rows share
//   one Johab lead byte (0xD9.., 0xE0..); the first row of the two takes
//   second bytes 0x31..0x7E and 0x91..0xA0, the second row keeps 0xA1..0xFE;
// - row 0xA4 is no exception: the 51 compatibility jamo 0xA4A1..0xA4D3 keep
//   their symbol-area codes 0xDAA1..0xDAD3 rather than the jamo codes 0x8841..
//   that iconv gives them;
// - rows 0xAD (from 0xADE0), 0xAE, 0xAF, 0xC9 and 0xFE hold two spaces;
// - the 63 positions 0xADA1..0xADDF, which have no place in the symbol area
//   (rows 0xA1..0xAC fill it completely), go to the user-defined lead byte
//   0xD8 in the first-row form: 0xD831..0xD86F.
// Unassigned positions inside rows 0xA1..0xAC keep the code their row and
// column give, which no other position uses.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

constexpr int kRows = 94;

class Decoder {
public:
    explicit Decoder(const char* from) : cd_(iconv_open("UTF-32LE", from)) {}
    ~Decoder() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // The one character two bytes decode to, 0 when they are no character.
    char32_t pair(int first, int second) {
        char in[2] = {static_cast<char>(first), static_cast<char>(second)};
        unsigned char out[16];
        char* ip = in;
        char* op = reinterpret_cast<char*>(out);
        size_t il = 2, ol = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 ||
            sizeof out - ol != 4)
            return 0;
        return out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    }

private:
    iconv_t cd_;
};

uint16_t SyllableToJohab(char32_t u) {
    static constexpr uint8_t kMedial[21] = {3,  4,  5,  6,  7,  10, 11, 12, 13, 14, 15,
                                            18, 19, 20, 21, 22, 23, 26, 27, 28, 29};
    const int s = static_cast<int>(u) - 0xAC00;
    const int initial = s / 588, medial = s / 28 % 21, final = s % 28;
    const int finalCode = final == 0 ? 1 : final <= 16 ? final + 1 : final + 2;
    return static_cast<uint16_t>(0x8000 | (initial + 2) << 10 | kMedial[medial] << 5 | finalCode);
}

// Symbol and hanja rows: rows r and r+1 of a pair share a lead byte.
uint16_t AreaCode(int leadBase, int pairIndex, bool firstOfPair, int column) {
    const int second = !firstOfPair ? column + 0xA0 : column <= 78 ? column + 0x30 : column + 0x42;
    return static_cast<uint16_t>((leadBase + pairIndex) << 8 | second);
}

uint16_t KsToJohabOf(int first, int second, Decoder& euc) {
    const int row = first - 0xA0, column = second - 0xA0;  // 1..94 each
    if ((first == 0xAD && second >= 0xE0) || first == 0xAE || first == 0xAF || first == 0xC9 ||
        first == 0xFE)
        return 0x2020;
    if (first == 0xAD) return AreaCode(0xD8, 0, true, column);
    if (row <= 12) return AreaCode(0xD9, (row - 1) / 2, row % 2 == 1, column);
    if (row >= 42) return AreaCode(0xE0, (row - 42) / 2, (row - 42) % 2 == 0, column);
    const char32_t u = euc.pair(first, second);
    if (u < 0xAC00 || u > 0xD7A3) {
        std::fprintf(stderr, "KS %02X%02X is no syllable (U+%04X)\n", first, second,
                     static_cast<unsigned>(u));
        return 0;
    }
    return SyllableToJohab(u);
}

void Table(std::ostringstream& os, const char* decl, const uint16_t* v, int n) {
    os << decl << " = {\n";
    char buf[16];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "0x%04X,", v[i]);
        os << (i % 12 == 0 ? "    " : " ") << buf << (i % 12 == 11 || i == n - 1 ? "\n" : "");
    }
    os << "};\n";
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s OUT.cpp | --check FILE.cpp\n", argv[0]);
        return 2;
    }
    Decoder euc("EUC-KR"), cp949("CP949");
    if (!euc.ok() || !cp949.ok()) {
        std::fprintf(stderr, "iconv lacks EUC-KR or CP949\n");
        return 2;
    }
    static uint16_t ksToJohab[kRows * kRows];
    for (int first = 0xA1; first <= 0xFE; ++first)
        for (int second = 0xA1; second <= 0xFE; ++second) {
            const uint16_t j = KsToJohabOf(first, second, euc);
            if (j == 0) return 1;
            ksToJohab[(first - 0xA1) * kRows + second - 0xA1] = j;
        }
    static uint16_t cpToUnicode[126 * 190];
    int characters = 0;
    for (int first = 0x81; first <= 0xFE; ++first)
        for (int second = 0x41; second <= 0xFE; ++second) {
            // CP949, completed by the later KS additions it lacks (0xA2E8 ㉾).
            char32_t u = cp949.pair(first, second);
            if (u == 0 && first >= 0xA1 && second >= 0xA1) u = euc.pair(first, second);
            if (u > 0xFFFF) {
                std::fprintf(stderr, "CP949 %02X%02X lies outside the BMP\n", first, second);
                return 1;
            }
            cpToUnicode[(first - 0x81) * 190 + second - 0x41] = static_cast<uint16_t>(u);
            characters += u != 0;
        }

    std::ostringstream os;
    os << "// Generated by terminal/HangulTablesGen.cpp from the KS C 5601 and CP949\n"
          "// code charts; do not edit. " << characters << " CP949 characters.\n"
          "#include \"terminal/HangulTables.h\"\n\n"
          "namespace velo::hangul::tables {\n\n";
    Table(os, "const uint16_t kKsToJohab[kKsCount]", ksToJohab, kRows * kRows);
    os << "\n";
    Table(os, "const uint16_t kCp949ToUnicode[kCpCount]", cpToUnicode, 126 * 190);
    os << "\n}  // namespace velo::hangul::tables\n";
    const std::string text = os.str();

    if (check) {
        std::ifstream in(argv[2], std::ios::binary);
        const std::string have{std::istreambuf_iterator<char>(in), {}};
        if (have == text) return 0;
        std::fprintf(stderr, "%s is out of date: run hangul_tables_gen %s\n", argv[2], argv[2]);
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    return out ? 0 : 1;
}

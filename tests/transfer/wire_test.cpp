// The wire layer on its own: bytes in, bytes out, no peer.
#include <algorithm>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "transfer/ZmCrc.h"
#include "transfer/ZmWire.h"

using namespace velo::zm;

namespace {

// Input from a byte string, handed out `chunk` bytes per read; output kept.
// When the input is used up the wait fails, which the wire reports as RCDO.
class MemIo final : public ZmIo {
public:
    std::vector<uint8_t> in, out;
    size_t pos = 0;
    size_t chunk = 1 << 20;
    bool cancel = false;
    int reads = 0, waits = 0;
    bool Connected() override { return true; }
    int Write(const uint8_t* p, int n) override
    {
        out.insert(out.end(), p, p + n);
        return n;
    }
    int Read(uint8_t* buf, int cap) override
    {
        ++reads;
        const size_t n = std::min({chunk, in.size() - pos, size_t(cap)});
        std::memcpy(buf, in.data() + pos, n);
        pos += n;
        return int(n);
    }
    int Available() override { return int(in.size() - pos); }
    bool Wait() override
    {
        ++waits;
        return false;
    }
    bool CancelRequested() override { return cancel; }
    void Feed(const std::vector<uint8_t>& v) { in.insert(in.end(), v.begin(), v.end()); }
    void Feed(const std::string& s) { in.insert(in.end(), s.begin(), s.end()); }
};

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A bit-by-bit CRC-16/XMODEM, independent of the tables under test.
uint16_t SlowCrc16(const std::vector<uint8_t>& v)
{
    uint16_t crc = 0;
    for (uint8_t b : v) {
        crc ^= uint16_t(b << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

// What one ZmWire sends, read back by another.
struct Loop {
    MemIo txIo, rxIo;
    ZmWire tx{txIo}, rx{rxIo};
    void Pass()
    {
        tx.Flush();
        rxIo.Feed(txIo.out);
        txIo.out.clear();
    }
};

}  // namespace

TEST(ZmCrc, CheckValuesAndResidues)
{
    const std::vector<uint8_t> msg = Bytes("123456789");
    EXPECT_EQ(Crc16Run(0, msg.data(), msg.size()), 0x31C3);
    EXPECT_EQ(~Crc32Run(0xFFFFFFFF, msg.data(), msg.size()), 0xCBF43926u);
    EXPECT_EQ(kCrc16Table[1], 0x1021);
    EXPECT_EQ(kCrc16Table[2], 0x2042);

    // Running over the message and its CRC leaves 0 / the CRC-32 residue,
    // for lengths that cross the eight-byte slices.
    for (size_t n : {0u, 1u, 7u, 8u, 9u, 63u, 1024u}) {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = uint8_t(i * 37 + 11);
        uint16_t c16 = Crc16Run(0, v.data(), v.size());
        EXPECT_EQ(c16, SlowCrc16(v)) << n;
        std::vector<uint8_t> w = v;
        w.push_back(uint8_t(c16 >> 8));
        w.push_back(uint8_t(c16));
        EXPECT_EQ(Crc16Run(0, w.data(), w.size()), 0) << n;

        uint32_t c32 = ~Crc32Run(0xFFFFFFFF, v.data(), v.size());
        uint32_t slow = 0xFFFFFFFF;
        for (uint8_t b : v)
            slow = Crc32Update(slow, b);
        EXPECT_EQ(~slow, c32) << n;
        w = v;
        for (int i = 0; i < 4; ++i)
            w.push_back(uint8_t(c32 >> (8 * i)));
        EXPECT_EQ(Crc32Run(0xFFFFFFFF, w.data(), w.size()), kCrc32Residue) << n;
    }
}

TEST(ZmWireOut, HexZrinitIsByteExact)
{
    MemIo io;
    ZmWire w(io);
    const uint8_t h[4] = {0, 0, 1, 0x2B};
    w.SendHexHeader(ZRINIT, h, 4);
    w.Flush();
    const uint16_t crc = SlowCrc16({0x01, 0x00, 0x00, 0x01, 0x2B});
    char tail[5];
    std::snprintf(tail, sizeof tail, "%04x", crc);
    std::string expect = std::string("**\x18") + "B010000012b" + tail + "\r\x8a\x11";
    EXPECT_EQ(std::string(io.out.begin(), io.out.end()), expect);
}

TEST(ZmWireOut, HexZfinAndZackHaveNoXon)
{
    for (int type : {ZFIN, ZACK}) {
        MemIo io;
        ZmWire w(io);
        w.SendHexHeader(type, 0u);
        w.Flush();
        ASSERT_GE(io.out.size(), 2u);
        EXPECT_EQ(io.out[io.out.size() - 2], '\r');
        EXPECT_EQ(io.out.back(), 0x8A);
    }
}

TEST(ZmWireOut, EscapesByTheRules)
{
    for (bool controls : {false, true}) {
        for (int b = 0; b < 256; ++b) {
            MemIo io;
            ZmWire w(io);
            w.escapeControls = controls;
            const uint8_t one = uint8_t(b);
            w.SendEscaped(&one, 1);
            w.Flush();
            const bool always = b == 0x18 || b == 0x11 || b == 0x13 || b == 0x91 || b == 0x93;
            const bool control = (b & 0x60) == 0;
            std::vector<uint8_t> expect;
            if (b == 0xFF && controls)
                expect = {ZDLE, 'm'};
            else if (always || (controls && control))
                expect = {ZDLE, uint8_t(b ^ 0x40)};
            else
                expect = {uint8_t(b)};
            EXPECT_EQ(io.out, expect) << "byte " << b << " controls " << controls;
            // SendLine agrees with the run form.
            MemIo io2;
            ZmWire w2(io2);
            w2.escapeControls = controls;
            w2.SendLine(one);
            w2.Flush();
            EXPECT_EQ(io2.out, expect);
        }
    }
}

TEST(ZmWireOut, LongRunsCrossTheOutputBuffer)
{
    MemIo io;
    ZmWire w(io);
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i);
    w.SendEscaped(data.data(), data.size());
    w.Flush();
    // 5000 bytes, 5 escaped values per 256.
    size_t escaped = 0;
    for (uint8_t b : data)
        escaped += (b == 0x18 || b == 0x11 || b == 0x13 || b == 0x91 || b == 0x93);
    EXPECT_EQ(io.out.size(), data.size() + escaped);
}

TEST(ZmWireHeaders, EveryFormRoundTrips)
{
    struct Form {
        bool hex, crc32, var;
    };
    for (Form f : {Form{true, false, false}, Form{false, false, false}, Form{false, true, false},
                   Form{true, false, true}, Form{false, false, true}, Form{false, true, true}}) {
        for (size_t chunk : {size_t(1), size_t(3), size_t(1) << 20}) {
            Loop l;
            l.tx.sendCrc32 = f.crc32;
            l.tx.varHeaders = f.var;
            l.rxIo.chunk = chunk;
            // Header bytes that need escaping.
            const uint8_t h[4] = {0x18, 0x11, 0xFF, 0x93};
            if (f.hex)
                l.tx.SendHexHeader(ZDATA, h, 4);
            else
                l.tx.SendBinHeader(ZDATA, h, 4);
            l.Pass();
            uint8_t got[kHeaderMax];
            ASSERT_EQ(l.rx.GetHeader(got), ZDATA) << f.hex << f.crc32 << f.var << chunk;
            EXPECT_EQ(std::memcmp(got, h, 4), 0);
            EXPECT_EQ(l.rx.rxKind, f.crc32 && !f.hex ? 1 : 0);
            EXPECT_EQ(l.rx.varHeaders, f.var);
        }
    }
}

TEST(ZmWireHeaders, VariableLengthCarriesUpToSixteenBytes)
{
    Loop l;
    l.tx.varHeaders = true;
    l.tx.sendCrc32 = true;
    uint8_t h[16];
    for (int i = 0; i < 16; ++i)
        h[i] = uint8_t(0xF0 + i);
    l.tx.SendBinHeader(ZRINIT, h, 16);
    l.Pass();
    uint8_t got[kHeaderMax];
    ASSERT_EQ(l.rx.GetHeader(got), ZRINIT);
    EXPECT_EQ(l.rx.rxLen, 16);
    EXPECT_EQ(std::memcmp(got, h, 16), 0);

    // A length above 16 is an error.
    MemIo io;
    ZmWire w(io);
    io.Feed(std::string("**\x18" "b11"));
    EXPECT_EQ(w.GetHeader(got), ERROR);
}

TEST(ZmWireHeaders, DamageIsAnError)
{
    for (bool hex : {true, false}) {
        Loop l;
        l.tx.sendCrc32 = !hex;
        if (hex)
            l.tx.SendHexHeader(ZRPOS, 4096u);
        else
            l.tx.SendBinHeader(ZRPOS, 4096u);
        l.tx.Flush();
        std::vector<uint8_t> bytes = l.txIo.out;
        bytes[6] ^= 0x01;  // a data byte
        l.rxIo.Feed(bytes);
        uint8_t got[kHeaderMax];
        EXPECT_EQ(l.rx.GetHeader(got), ERROR) << hex;
    }
    MemIo io;
    ZmWire w(io);
    uint8_t got[kHeaderMax];
    io.Feed(std::string("**\x18" "B14000000000000\r\n"));  // type 20
    EXPECT_EQ(w.GetHeader(got), ERROR);
}

TEST(ZmWireHeaders, FiveCansCancelFourDoNot)
{
    uint8_t got[kHeaderMax];
    {
        MemIo io;
        ZmWire w(io);
        io.Feed(std::string(5, '\x18'));
        EXPECT_EQ(w.GetHeader(got), ZCAN);
    }
    {
        // Four CANs, then a good header.
        Loop l;
        l.rxIo.Feed(std::string(4, '\x18'));
        l.tx.SendHexHeader(ZACK, 7u);
        l.Pass();
        EXPECT_EQ(l.rx.GetHeader(got), ZACK);
        EXPECT_EQ(GetPos(got), 7u);
    }
    {
        // ZDLE and four more CANs in place of the format letter.
        MemIo io;
        ZmWire w(io);
        io.Feed(std::string("**") + std::string(5, '\x18'));
        EXPECT_EQ(w.GetHeader(got), ZCAN);
    }
    {
        // ZDLE and three CANs, then the letter: still a header.
        Loop l;
        l.tx.SendHexHeader(ZACK, 9u);
        l.tx.Flush();
        std::vector<uint8_t> bytes = l.txIo.out;
        bytes.insert(bytes.begin() + 3, {0x18, 0x18, 0x18});
        l.rxIo.Feed(bytes);
        EXPECT_EQ(l.rx.GetHeader(got), ZACK);
    }
}

TEST(ZmWireHeaders, GarbageLimitIs8192)
{
    uint8_t got[kHeaderMax];
    for (int noise : {8191, 8192}) {
        Loop l;
        l.rxIo.Feed(std::vector<uint8_t>(size_t(noise), 'x'));
        l.tx.SendHexHeader(ZRINIT, 0u);
        l.Pass();
        EXPECT_EQ(l.rx.GetHeader(got), noise == 8191 ? ZRINIT : GCOUNT) << noise;
    }
    // The same between '*' and ZDLE, on a fresh count.
    for (int noise : {8191, 8192}) {
        MemIo io;
        ZmWire w(io);
        io.Feed(std::string(8000, 'y') + "*" + std::string(size_t(noise), 'y'));
        Loop l;
        l.tx.SendHexHeader(ZRINIT, 0u);
        l.tx.Flush();
        io.Feed(std::vector<uint8_t>(l.txIo.out.begin() + 1, l.txIo.out.end()));
        EXPECT_EQ(w.GetHeader(got), noise == 8191 ? ZRINIT : GCOUNT) << noise;
    }
}

TEST(ZmWireHeaders, LostConnectionInsideAHeader)
{
    MemIo io;
    ZmWire w(io);
    io.Feed(std::string("**\x18" "B0100"));
    uint8_t got[kHeaderMax];
    EXPECT_EQ(w.GetHeader(got), RCDO);
}

TEST(ZmWireData, SubpacketsRoundTripEveryByteValue)
{
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(i);
    for (bool crc32 : {false, true}) {
        for (bool controls : {false, true}) {
            for (uint8_t end : {ZCRCE, ZCRCG, ZCRCQ, ZCRCW}) {
                for (size_t chunk : {size_t(1), size_t(1) << 20}) {
                    Loop l;
                    l.tx.sendCrc32 = crc32;
                    l.tx.escapeControls = l.rx.escapeControls = controls;
                    l.rxIo.chunk = chunk;
                    l.tx.SendBinHeader(ZDATA, 0u);
                    l.tx.SendData(all.data(), all.size(), end);
                    l.Pass();
                    uint8_t got[kHeaderMax];
                    ASSERT_EQ(l.rx.GetHeader(got), ZDATA);
                    std::vector<uint8_t> buf(1024);
                    int n = 0;
                    EXPECT_EQ(l.rx.ReadData(buf.data(), 1024, &n), GOTOR | end);
                    buf.resize(size_t(n));
                    EXPECT_EQ(buf, all);
                    if (controls) {
                        // Nothing but escaped controls went out after the header.
                        l.tx.SendData(all.data(), all.size(), end);
                        l.tx.Flush();
                        for (size_t i = 0; i < l.txIo.out.size(); ++i) {
                            const uint8_t b = l.txIo.out[i];
                            if ((b & 0x60) == 0 && b != ZDLE && !(end == ZCRCW && i + 1 == l.txIo.out.size()))
                                FAIL() << "raw control " << int(b) << " at " << i;
                        }
                    }
                }
            }
        }
    }
}

TEST(ZmWireData, FullBlockFitsOneMoreIsAnError)
{
    // The byte past the block is plain or escaped, and the block itself
    // plain or full of escapes; nothing is ever stored past the buffer.
    struct Case {
        int len;
        uint8_t fill;
        uint8_t last;
    };
    for (const Case& c : {Case{1024, 'a', 'a'}, Case{1025, 'a', 'a'}, Case{1025, 'a', ZDLE},
                          Case{1024, ZDLE, 0x11}, Case{1025, 0x91, 'a'}, Case{1025, ZDLE, ZDLE}}) {
        Loop l;
        l.tx.sendCrc32 = true;
        std::vector<uint8_t> data(size_t(c.len), c.fill);
        data.back() = c.last;
        l.tx.SendBinHeader(ZDATA, 0u);
        l.tx.SendData(data.data(), data.size(), ZCRCG);
        l.Pass();
        uint8_t got[kHeaderMax];
        ASSERT_EQ(l.rx.GetHeader(got), ZDATA);
        uint8_t buf[1025];
        buf[1024] = 0x5A;
        int n = 0;
        const int r = l.rx.ReadData(buf, 1024, &n);
        EXPECT_EQ(r, c.len == 1024 ? GOTCRCG : ERROR) << c.len << " " << int(c.fill) << " " << int(c.last);
        EXPECT_LE(n, 1024);
        EXPECT_EQ(buf[1024], 0x5A);
        if (r == GOTCRCG) {
            EXPECT_TRUE(std::equal(data.begin(), data.end(), buf));
        }
    }
}

TEST(ZmWireData, DamageAndCancelInsideASubpacket)
{
    for (bool crc32 : {false, true}) {
        Loop l;
        l.tx.sendCrc32 = crc32;
        std::vector<uint8_t> data(100, 'q');
        l.tx.SendBinHeader(ZDATA, 0u);
        l.tx.Flush();
        l.rxIo.Feed(l.txIo.out);
        l.txIo.out.clear();
        l.tx.SendData(data.data(), data.size(), ZCRCW);
        l.tx.Flush();
        l.txIo.out[50] = 'r';
        l.rxIo.Feed(l.txIo.out);
        uint8_t got[kHeaderMax];
        ASSERT_EQ(l.rx.GetHeader(got), ZDATA);
        uint8_t buf[1024];
        int n = 0;
        EXPECT_EQ(l.rx.ReadData(buf, 1024, &n), ERROR);
    }
    MemIo io;
    ZmWire w(io);
    w.rxKind = 1;
    io.Feed(std::string("abc") + std::string(5, '\x18'));
    uint8_t buf[1024];
    int n = 0;
    EXPECT_EQ(w.ReadData(buf, 1024, &n), ZCAN);
}

TEST(ZmWireData, EscapeControlsSkipsRawControls)
{
    // A raw CR inside a subpacket is line noise when controls are escaped,
    // and data when they are not.
    for (bool controls : {true, false}) {
        Loop l;
        l.tx.sendCrc32 = true;
        l.tx.escapeControls = l.rx.escapeControls = controls;
        const uint8_t data[] = {'a', 'b'};
        l.tx.SendBinHeader(ZDATA, 0u);
        l.tx.Flush();
        l.rxIo.Feed(l.txIo.out);
        l.txIo.out.clear();
        uint32_t crc = Crc32Run(0xFFFFFFFF, data, 2);
        crc = ~Crc32Update(crc, ZCRCE);
        std::vector<uint8_t> sub = {'a', 0x0D, 'b', ZDLE, ZCRCE};
        MemIo crcIo;
        ZmWire crcOut(crcIo);
        crcOut.escapeControls = true;
        for (int i = 0; i < 4; ++i)
            crcOut.SendLine(uint8_t(crc >> (8 * i)));
        crcOut.Flush();
        sub.insert(sub.end(), crcIo.out.begin(), crcIo.out.end());
        l.rxIo.Feed(sub);
        uint8_t got[kHeaderMax];
        ASSERT_EQ(l.rx.GetHeader(got), ZDATA);
        uint8_t buf[1024];
        int n = 0;
        EXPECT_EQ(l.rx.ReadData(buf, 1024, &n), controls ? GOTCRCE : ERROR);
        if (controls) {
            EXPECT_EQ(std::string(buf, buf + n), "ab");
        }
    }
}

namespace {
// A 'D' subpacket of the given bytes as received (already run-length coded).
int ReadRle(const std::vector<uint8_t>& coded, std::vector<uint8_t>* out, int size = 1024)
{
    MemIo io;
    ZmWire w(io);
    w.rxKind = 2;
    uint32_t crc = Crc32Run(0xFFFFFFFF, coded.data(), coded.size());
    crc = ~Crc32Update(crc, ZCRCE);
    ZmWire enc(io);
    MemIo encIo;
    ZmWire e(encIo);
    e.SendEscaped(coded.data(), coded.size());
    e.Put(ZDLE);
    e.Put(ZCRCE);
    for (int i = 0; i < 4; ++i)
        e.SendLine(uint8_t(crc >> (8 * i)));
    e.Flush();
    io.Feed(encIo.out);
    std::vector<uint8_t> buf(size_t(size) + 1);
    int n = 0;
    const int r = w.ReadData(buf.data(), size, &n);
    out->assign(buf.begin(), buf.begin() + n);
    return r;
}
}  // namespace

TEST(ZmWireData, RunLengthDecoding)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(ReadRle({'a', ZRESC, 0x23, 'b'}, &out), GOTCRCE);
    EXPECT_EQ(std::string(out.begin(), out.end()), "a      b");  // 6 spaces
    EXPECT_EQ(ReadRle({ZRESC, 0x45, 'x'}, &out), GOTCRCE);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xxxxx");
    EXPECT_EQ(ReadRle({ZRESC, 0x40}, &out), GOTCRCE);
    EXPECT_EQ(std::string(out.begin(), out.end()), "~");
    EXPECT_EQ(ReadRle({ZRESC, 0x20, ZRESC, 0x3F}, &out), GOTCRCE);
    EXPECT_EQ(out.size(), 3u + 34u);
    // A count below 1, a run past the buffer, an escape cut by the end.
    EXPECT_EQ(ReadRle({ZRESC, 0x10, 'x'}, &out), ERROR);
    EXPECT_EQ(ReadRle({ZRESC, 0xFF, 'x'}, &out, 100), ERROR);
    EXPECT_EQ(ReadRle({ZRESC, 0xFF, 'x'}, &out, 191), GOTCRCE);
    EXPECT_EQ(out.size(), 191u);
    EXPECT_EQ(ReadRle({'a', ZRESC}, &out), ERROR);
}

TEST(ZmWireIn, ReadersSkipFlowControlAndUndoEscapes)
{
    MemIo io;
    ZmWire w(io);
    io.Feed(std::vector<uint8_t>{0x11, 0x93, 'A', ZDLE, 0x11, 'X', ZDLE, 'l', ZDLE, 'm', ZDLE, 'z',
                                 '!', 'A', ZDLE, 'k'});
    EXPECT_EQ(w.ZdlRead(), 'A');
    EXPECT_EQ(w.ZdlRead(), 0x18);  // ZDLE XON 'X': XON skipped inside the escape
    EXPECT_EQ(w.ZdlRead(), 0x7F);
    EXPECT_EQ(w.ZdlRead(), 0xFF);
    EXPECT_EQ(w.ZdlRead(), 0x01);  // ZDLE, noise 'z' and '!' skipped, 'A' ^ 0x40
    EXPECT_EQ(w.ZdlRead(), GOTCRCW);
}

TEST(ZmWireCancel, ExchangeSendsAbortAndStopsOnFiveCans)
{
    MemIo io;
    ZmWire w(io);
    w.pauseMs = 0;
    std::strcpy(reinterpret_cast<char*>(w.attn), "AT");
    w.Put('z');  // unsent output is thrown away
    io.Feed(std::string("junk") + std::string(5, '\x18') + "after");
    EXPECT_EQ(w.CancelExchange(), CAN);
    const std::string expect = std::string("AT") + std::string(8, '\x18') + std::string(10, '\x08');
    EXPECT_EQ(std::string(io.out.begin(), io.out.end()), expect);
    EXPECT_EQ(w.Unread(), 5);

    // A silent peer: 30 rounds of the abort sequence, then the end.
    MemIo quiet;
    ZmWire q(quiet);
    q.pauseMs = 0;
    EXPECT_EQ(q.CancelExchange(), DRAINED);
    EXPECT_EQ(quiet.out.size(), 31u * 18u);
}

TEST(ZmWireIn, UserCancelEndsAWait)
{
    MemIo io;
    ZmWire w(io);
    io.cancel = true;
    uint8_t got[kHeaderMax];
    EXPECT_EQ(w.GetHeader(got), USERCANCEL);
    w.cancelAware = false;
    EXPECT_EQ(w.GetHeader(got), RCDO);
}

// After a large read that emptied the line the wire looks once more (the
// stream in full flow gathers during a short nap) before it waits; after a
// small one it waits at once. Never more than that: an empty line must not
// be polled in a loop.
TEST(ZmWireIn, ALargeReadIsFollowedByOneMoreLookBeforeTheWait)
{
    const struct {
        size_t size;
        int readsBeforeWait;
    } rows[] = {{8192, 2}, {1024, 2}, {1023, 1}, {20, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        MemIo io;
        ZmWire w(io);
        io.Feed(std::string(row.size, 'x'));
        for (size_t i = 0; i < row.size; ++i)
            ASSERT_EQ(w.ReadLine(), 'x');
        EXPECT_EQ(io.reads, 1);
        EXPECT_EQ(w.ReadLine(), RCDO);
        EXPECT_EQ(io.reads, 1 + row.readsBeforeWait);
        EXPECT_EQ(io.waits, 1);
        // The next empty read after the wait is not a flow any more.
        EXPECT_EQ(w.ReadLine(), RCDO);
        EXPECT_EQ(io.reads, 2 + row.readsBeforeWait);
        EXPECT_EQ(io.waits, 2);
    }
}

TEST(ZmWireIn, PurgeAndLeftover)
{
    MemIo io;
    ZmWire w(io);
    io.chunk = 4;
    io.Feed(std::string("abcdefgh"));
    EXPECT_EQ(w.ReadLine(), 'a');
    std::vector<uint8_t> rest = w.TakeUnread();
    EXPECT_EQ(std::string(rest.begin(), rest.end()), "bcd");
    w.PurgeInput();
    EXPECT_EQ(w.Unread(), 0);
    EXPECT_EQ(io.Available(), 0);
}

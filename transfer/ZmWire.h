// The wire layer shared by the receiver and the sender: buffered output,
// ZDLE escaping, hex / 16-bit / 32-bit headers (with the variable-length
// extension), data subpackets with their four ending codes, run-length
// decoding, the byte readers and the cancel exchange.
//
// One ZmWire is the engine context of one transfer; Reset() starts it afresh.
// It is not thread-safe: a transfer runs on one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "transfer/ZModem.h"
#include "transfer/ZmIo.h"

namespace velo::zm {

class ZmWire {
public:
    explicit ZmWire(ZmIo& io) : io_(io) {}

    ZmIo& Io() { return io_; }
    void Reset();

    // Engine context, read and set by the receiver and the sender.
    bool escapeControls = false;  // escape every control character both ways
    bool varHeaders = false;      // send headers with a length byte
    bool sendCrc32 = false;       // CRC of the binary headers sent
    int rxKind = 0;               // last header received: 0 CRC-16, 1 CRC-32, 2 CRC-32 + RLE
    int rxLen = 4;                // its data length
    uint8_t attn[kAttnSize + 1] = {};  // attention string from ZSINIT, zero-terminated
    bool drain = false;           // cancel exchange: an empty input gives DRAINED
    // When set, a wait for input that finds the user's cancel gives USERCANCEL.
    bool cancelAware = true;

    // --- Output ---
    // One byte, unescaped. Nothing happens unless connected; a full buffer is
    // written out first.
    void Put(uint8_t b);
    void PutRaw(const void* p, size_t n);
    // Writes the buffer. False when the connection is gone or a write failed
    // (also an earlier write of a full buffer); the transfer then ends.
    bool Flush();
    void DiscardOutput() { outCount_ = 0; }
    // zsendline for one byte and for a run.
    void SendLine(uint8_t b);
    void SendEscaped(const uint8_t* p, size_t n);
    void SendHexHeader(int type, const uint8_t* hdr, int len = 4);
    void SendBinHeader(int type, const uint8_t* hdr, int len = 4);
    void SendHexHeader(int type, uint32_t pos);
    void SendBinHeader(int type, uint32_t pos);
    // A data subpacket with the CRC kind of the last header sent.
    void SendData(const uint8_t* p, size_t n, uint8_t end);
    // The last header sent, again, as a hex header.
    void ResendLastHeader();
    // The attention string, raw, up to its zero.
    void SendAttention();
    bool DataCrc32() const { return dataCrc32_; }

    // --- Input ---
    int ReadLine()
    {
        if (inPos_ < inCount_)
            return in_[inPos_++];
        return Refill();
    }
    int Noxrd7();
    int ZdlRead();
    int ZGetHex();
    // Reads a header into hdr (kHeaderMax bytes, zeroed first): the frame
    // type, or ZCAN, ERROR, GCOUNT or a negative code.
    int GetHeader(uint8_t* hdr);
    // Reads a data subpacket into buf (size bytes) by the kind of the last
    // header received: GOTCRCE..GOTCRCW, ZCAN, ERROR or a negative code;
    // *count is the number of bytes stored.
    int ReadData(uint8_t* buf, int size, int* count);
    // The cancel exchange; the last read result.
    int CancelExchange();
    // Throws away the unread input and what the connection has waiting now.
    void PurgeInput();
    int Unread() const { return inCount_ - inPos_; }
    // Bytes taken out of the input since Reset.
    uint64_t Consumed() const { return received_ - uint64_t(Unread()); }
    std::vector<uint8_t> TakeUnread();

    // Pause of the cancel exchange and of the ZSINIT retry, in milliseconds.
    int pauseMs = 500;

private:
    int Refill();
    void WriteOut();
    void SendCrc16(uint16_t crc);
    void SendCrc32(uint32_t crc);
    void RememberHeader(int type, const uint8_t* hdr, int len);
    int ReadDataPlain(uint8_t* buf, int size, int* count);
    int ReadDataRle(uint8_t* buf, int size, int* count);
    void SendAbort();

    ZmIo& io_;
    uint8_t out_[kOutBuffer];
    int outCount_ = 0;
    bool writeFailed_ = false;
    uint8_t in_[kInBuffer];
    int inPos_ = 0;
    int inCount_ = 0;
    uint64_t received_ = 0;
    // The last read was large: the stream is in full flow (see Refill).
    static constexpr int kFlowRead = 1024;
    static constexpr std::chrono::microseconds kFlowNap{100};
    bool flowing_ = false;
    bool dataCrc32_ = false;
    int lastType_ = -1;
    int lastLen_ = 4;
    uint8_t lastHdr_[kHeaderMax] = {};
};

}  // namespace velo::zm

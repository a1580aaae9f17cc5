#include "game/PenaltyWav.h"

#include <algorithm>
#include <cmath>

namespace car {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5])
{
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

std::vector<uint8_t> MakePenaltyWav()
{
    constexpr uint32_t kHeader = 44;
    std::vector<uint8_t> out;
    out.reserve(kHeader + kPenaltySamples);
    PutTag(out, "RIFF");
    Put32(out, kHeader - 8 + kPenaltySamples);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);              // PCM format chunk
    Put16(out, 1);               // PCM
    Put16(out, 1);               // mono
    Put32(out, kPenaltyRate);
    Put32(out, kPenaltyRate);    // bytes per second: one byte a sample
    Put16(out, 1);               // block align
    Put16(out, 8);               // bits per sample
    PutTag(out, "data");
    Put32(out, kPenaltySamples);

    // Two short falling buzzes: a square wave gliding down an octave and a half,
    // softened by a little sine so it is not harsh, under a decaying envelope.
    constexpr double kPi = 3.14159265358979323846;
    constexpr int kHalf = kPenaltySamples / 2;
    double phase = 0;
    for (int i = 0; i < kPenaltySamples; ++i) {
        int j = i % kHalf;
        double t = static_cast<double>(j) / kHalf;          // 0..1 within a buzz
        double freq = (i < kHalf ? 520.0 : 390.0) * std::pow(0.35, t);
        phase += 2 * kPi * freq / kPenaltyRate;
        double square = std::sin(phase) >= 0 ? 1.0 : -1.0;
        double wave = 0.6 * square + 0.4 * std::sin(phase);
        double attack = std::min(1.0, j / 60.0);             // no click at the start
        double env = attack * std::exp(-3.0 * t) * (1.0 - t);
        double v = 128.0 + 100.0 * wave * env;
        out.push_back(static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))));
    }
    return out;
}

}  // namespace car

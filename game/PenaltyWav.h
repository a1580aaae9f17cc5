// The penalty sound played when the car eats a Zingle: a falling buzz made
// here rather than recorded, written as a RIFF/WAVE file of 8-bit unsigned
// mono PCM at 11025 Hz, 6746 bytes long (44-byte header, 6702 samples).
#pragma once

#include <cstdint>
#include <vector>

namespace car {

constexpr int kPenaltyRate = 11025;
constexpr int kPenaltySamples = 6702;

std::vector<uint8_t> MakePenaltyWav();

}  // namespace car

#include "sound/ima_adpcm.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr int kLargestStepIndex = 88;

constexpr int16_t kStepSizes[kLargestStepIndex + 1] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int8_t kIndexSteps[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// One channel's decoder between codes.
struct ChannelState {
    int32_t sample = 0;
    int32_t index = 0;

    int16_t Next(uint8_t code)
    {
        const int32_t step = kStepSizes[index];
        int32_t difference = step >> 3;
        if (code & 4) difference += step;
        if (code & 2) difference += step >> 1;
        if (code & 1) difference += step >> 2;
        sample = std::clamp(code & 8 ? sample - difference : sample + difference, -32768, 32767);
        index = std::clamp(index + kIndexSteps[code], 0, kLargestStepIndex);
        return static_cast<int16_t>(sample);
    }
};

void PutSample(uint8_t* at, int16_t sample)
{
    const auto bits = static_cast<uint16_t>(sample);
    at[0] = static_cast<uint8_t>(bits & 0xFF);
    at[1] = static_cast<uint8_t>(bits >> 8);
}

// Decodes one block into samplesPerBlock frames at `out`; `states` holds
// one decoder per channel.
void DecodeBlock(const uint8_t* block, uint32_t samplesPerBlock, std::vector<ChannelState>& states, uint8_t* out)
{
    const auto channels = static_cast<uint32_t>(states.size());
    const uint32_t groups = (samplesPerBlock - 1) / 8;
    const size_t frameBytes = size_t{2} * channels;
    for (uint32_t channel = 0; channel < channels; ++channel) {
        const uint8_t* header = block + 4 * channel;
        ChannelState& state = states[channel];
        state.sample = static_cast<int16_t>(header[0] | (header[1] << 8));
        // A step index past the table's end is no index: the channel starts
        // on the smallest step.
        state.index = header[2] <= kLargestStepIndex ? header[2] : 0;
        PutSample(out + 2 * channel, static_cast<int16_t>(state.sample));
    }
    const uint8_t* codes = block + 4 * channels;
    for (uint32_t group = 0; group < groups; ++group) {
        for (uint32_t channel = 0; channel < channels; ++channel, codes += 4) {
            ChannelState& state = states[channel];
            // Frame 1 + 8 x group onwards, two codes a byte, the low one first.
            uint8_t* frame = out + (1 + size_t{8} * group) * frameBytes + 2 * channel;
            for (int byte = 0; byte < 4; ++byte) {
                PutSample(frame, state.Next(codes[byte] & 0x0F));
                frame += frameBytes;
                PutSample(frame, state.Next(codes[byte] >> 4));
                frame += frameBytes;
            }
        }
    }
}

}  // namespace

bool DecodeImaAdpcm(const WaveSamplesFormat& ima, const uint8_t* data, uint32_t bytes, DecodedImaAdpcm& out,
                    std::string& problem)
{
    const uint32_t channels = ima.format.channels;
    const uint32_t blockBytes = ima.format.blockAlign;
    const uint64_t frameBytes = uint64_t{2} * channels;
    const uint64_t bytesPerSecond = frameBytes * ima.format.samplesPerSec;
    if (ima.encoding != WaveEncoding::ImaAdpcm || channels == 0 ||
        ima.samplesPerBlock != (blockBytes / channels - 4) * 2 + 1 || blockBytes <= 4 * channels ||
        frameBytes > std::numeric_limits<uint16_t>::max() || bytesPerSecond > std::numeric_limits<uint32_t>::max()) {
        problem = "IMA ADPCM whose 16-bit samples no format can describe";
        return false;
    }
    const uint32_t blocks = bytes / blockBytes;
    const uint64_t pcmBytes = uint64_t{blocks} * ima.samplesPerBlock * frameBytes;
    if (pcmBytes > std::numeric_limits<uint32_t>::max()) {
        problem = "IMA ADPCM that decodes to more than 4 GB of samples";
        return false;
    }
    std::vector<ChannelState> states;
    try {
        states.resize(channels);
        out.bytes.assign(static_cast<size_t>(pcmBytes), 0);
    } catch (const std::bad_alloc&) {
        problem = "no memory for " + std::to_string(pcmBytes) + " bytes of decoded samples";
        return false;
    }
    const size_t blockOut = static_cast<size_t>(ima.samplesPerBlock * frameBytes);
    for (uint32_t block = 0; block < blocks; ++block)
        DecodeBlock(data + size_t{block} * blockBytes, ima.samplesPerBlock, states, out.bytes.data() + block * blockOut);

    out.format = WaveSamplesFormat{};
    out.format.encoding = WaveEncoding::Pcm;
    platform::WaveFormatEx& pcm = out.format.format;
    pcm.formatTag = platform::WAVE_FORMAT_PCM;
    pcm.channels = static_cast<uint16_t>(channels);
    pcm.samplesPerSec = ima.format.samplesPerSec;
    pcm.blockAlign = static_cast<uint16_t>(frameBytes);
    pcm.avgBytesPerSec = static_cast<uint32_t>(bytesPerSecond);
    pcm.bitsPerSample = 16;
    pcm.extraSize = 0;
    return true;
}

// Arbitrary bytes as an in-memory WAVE file: the reader must stay inside
// them, every data byte it announces must be readable, judging the format
// block must stay inside that block, and IMA ADPCM it accepts must decode to
// whole 16-bit frames without reading past the data.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/ima_adpcm.h"
#include "sound/wav_reader.h"
#include "sound/wave_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CWavReader reader;
    reader.OpenMemory(data, size);
    if (reader.DataSize > size) std::abort();
    const std::vector<uint8_t>& block = reader.FormatBlock();
    if (!block.empty() && block.size() != 18u + reader.Format().extraSize) std::abort();
    const WaveSamplesFormat judged = DescribeWaveFormat(block);
    if (judged.encoding == WaveEncoding::ImaAdpcm && judged.samplesPerBlock == 0) std::abort();

    std::vector<uint8_t> samples(reader.DataSize + 1);
    uint32_t total = 0;
    while (total < reader.DataSize) {
        uint32_t read = 0;
        const uint32_t piece = std::min<uint32_t>(777, reader.DataSize - total);
        if (Failed(reader.Read(samples.data() + total, piece, &read)) || read == 0) std::abort();
        total += read;
    }
    uint32_t extra = 0;
    reader.Read(samples.data(), 1, &extra);
    if (extra != 0) std::abort();

    if (judged.encoding == WaveEncoding::ImaAdpcm) {
        DecodedImaAdpcm decoded;
        std::string problem;
        // A block of exactly the data, so that a read past it is caught.
        const std::vector<uint8_t> data(samples.begin(), samples.begin() + total);
        if (DecodeImaAdpcm(judged, data.data(), total, decoded, problem) &&
            decoded.bytes.size() != size_t{total / judged.format.blockAlign} * judged.samplesPerBlock *
                                        decoded.format.format.blockAlign)
            std::abort();
    }
    return 0;
}

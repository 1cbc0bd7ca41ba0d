// IMA ADPCM as WAVE files hold it, decoded to 16-bit PCM in the program, so
// that both back ends are handed plain samples: the DirectSound-style back
// end plays no IMA ADPCM, and the OpenAL Soft that Debian ships (1.19) starts
// each decoded block a sample early, which clicks once a block.
//
// A block holds, for each channel, a 4-byte header (the first sample and the
// step index), then groups of eight 4-bit codes per channel, 4 bytes each,
// the channels' groups taking turns. DescribeWaveFormat has checked that
// layout; nothing here trusts the data beyond it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/wave_format.h"

struct DecodedImaAdpcm {
    WaveSamplesFormat format;    // 16-bit PCM, the channels and rate of the file
    std::vector<uint8_t> bytes;  // the samples, channels interleaved, little-endian
};

// Decodes `bytes` of data in the blocks `ima` describes (encoding ImaAdpcm):
// ima.samplesPerBlock frames from each whole block. Bytes after the last
// whole block are left out, as the WAVE reader leaves out a part frame.
// False, with `problem` set, when the decoded samples would not fit in 4 GB
// or in memory.
bool DecodeImaAdpcm(const WaveSamplesFormat& ima, const uint8_t* data, uint32_t bytes, DecodedImaAdpcm& out,
                    std::string& problem);

// What the samples of a WAVE file are, judged from its whole format block.
//
// The sound buffers play two encodings: linear PCM (format tag 1, or the
// extensible header 0xFFFE whose sub-format is PCM) and IMA ADPCM (tag 0x11).
// Everything else a tool may write (A-law, mu-law, MS ADPCM, float, GSM...)
// is refused here with a reason, before any back end could take its bytes
// for PCM and play noise. Whether a back end can play the channel count and
// sample width is its own decision, made when the samples are uploaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/direct_sound.h"

enum class WaveEncoding { Pcm, ImaAdpcm, Refused };

struct WaveSamplesFormat {
    WaveEncoding encoding = WaveEncoding::Refused;
    // The format the back ends are given. An extensible PCM header becomes
    // the plain PCM header it stands for (tag 1, no extra bytes), so a back
    // end that knows only plain PCM plays it too.
    platform::WaveFormatEx format;
    // IMA ADPCM: sample frames in each block of `format.blockAlign` bytes.
    uint32_t samplesPerBlock = 0;
    // Refused: why, for the log ("A-law samples (format tag 0x0006)").
    std::string problem;
};

constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// The first 18 bytes of a format block, field by field; all zero when the
// block is shorter.
platform::WaveFormatEx WaveFormatHead(const std::vector<uint8_t>& block);

// `block` is a format block as CWavReader keeps it: the 18 bytes of a
// WAVEFORMATEX followed by its extra bytes.
WaveSamplesFormat DescribeWaveFormat(const std::vector<uint8_t>& block);
// The same for a format given field by field, with the extra bytes at hand
// (`extraBytes` may be fewer than `format.extraSize` says, even 0).
WaveSamplesFormat DescribeWaveFormat(const platform::WaveFormatEx& format, const uint8_t* extra, size_t extraBytes);

#include "sound/wave_format.h"

#include <cstdio>
#include <cstring>

#include "core/binary_io.h"

namespace {

// The tail shared by every sub-format GUID of the extensible header: the
// sub-format is {tag-00000-0010-8000-00AA00389B71} with the plain format tag
// in its first two bytes.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::string TagText(uint16_t tag)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%04X", static_cast<unsigned>(tag));
    return text;
}

std::string EncodingName(uint16_t tag)
{
    switch (tag) {
    case 0x0002: return "MS ADPCM";
    case 0x0003: return "floating-point";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0031: return "GSM 6.10";
    case 0x0050: return "MPEG";
    case 0x0055: return "MPEG layer 3";
    default: return "encoded";
    }
}

WaveSamplesFormat Refuse(std::string problem)
{
    WaveSamplesFormat result;
    result.problem = std::move(problem);
    return result;
}

WaveSamplesFormat RefuseEncoding(uint16_t tag, const char* header)
{
    return Refuse(EncodingName(tag) + " samples (" + header + TagText(tag) + "); only PCM and IMA ADPCM are played");
}

// IMA ADPCM blocks: per channel a 4-byte header holding the first sample,
// then 4-byte groups of eight 4-bit codes, the channels' groups interleaved.
WaveSamplesFormat DescribeImaAdpcm(const platform::WaveFormatEx& format, const uint8_t* extra, size_t extraBytes)
{
    const uint32_t channels = format.channels;
    if (format.bitsPerSample != 4 || channels == 0)
        return Refuse("IMA ADPCM with " + std::to_string(format.bitsPerSample) + "-bit codes");
    const uint32_t groupBytes = 4 * channels;
    if (format.blockAlign <= groupBytes || format.blockAlign % groupBytes != 0)
        return Refuse("IMA ADPCM blocks of " + std::to_string(format.blockAlign) + " bytes do not fit " +
                      std::to_string(channels) + " channels");
    WaveSamplesFormat result;
    result.encoding = WaveEncoding::ImaAdpcm;
    result.format = format;
    result.samplesPerBlock = (format.blockAlign / channels - 4) * 2 + 1;
    // The count the file states must be the one its block size gives.
    if (format.extraSize >= 2 && extraBytes >= 2) {
        const uint32_t stated = extra[0] | (extra[1] << 8);
        if (stated != result.samplesPerBlock)
            return Refuse("IMA ADPCM blocks of " + std::to_string(format.blockAlign) + " bytes said to hold " +
                          std::to_string(stated) + " samples");
    }
    return result;
}

}  // namespace

platform::WaveFormatEx WaveFormatHead(const std::vector<uint8_t>& block)
{
    platform::WaveFormatEx format;
    if (block.size() < 18) return format;
    BinaryReader reader(block);
    reader.ReadU16(format.formatTag);
    reader.ReadU16(format.channels);
    reader.ReadU32(format.samplesPerSec);
    reader.ReadU32(format.avgBytesPerSec);
    reader.ReadU16(format.blockAlign);
    reader.ReadU16(format.bitsPerSample);
    reader.ReadU16(format.extraSize);
    return format;
}

WaveSamplesFormat DescribeWaveFormat(const std::vector<uint8_t>& block)
{
    if (block.size() < 18) return Refuse("no format");
    return DescribeWaveFormat(WaveFormatHead(block), block.data() + 18, block.size() - 18);
}

WaveSamplesFormat DescribeWaveFormat(const platform::WaveFormatEx& format, const uint8_t* extra, size_t extraBytes)
{
    if (format.formatTag == platform::WAVE_FORMAT_PCM) {
        WaveSamplesFormat result;
        result.encoding = WaveEncoding::Pcm;
        result.format = format;
        result.format.extraSize = 0;
        return result;
    }
    if (format.formatTag == WAVE_FORMAT_IMA_ADPCM) return DescribeImaAdpcm(format, extra, extraBytes);
    if (format.formatTag != WAVE_FORMAT_EXTENSIBLE) return RefuseEncoding(format.formatTag, "format tag ");

    // Extensible: valid bits (2), channel mask (4), then the 16-byte sub-format.
    if (format.extraSize < 22 || extraBytes < 22) return Refuse("an extensible header without its sub-format");
    const uint8_t* subFormat = extra + 6;
    const auto subTag = static_cast<uint16_t>(subFormat[0] | (subFormat[1] << 8));
    if (std::memcmp(subFormat + 2, kSubFormatTail, sizeof(kSubFormatTail)) != 0)
        return Refuse("an extensible header with an unknown sub-format");
    if (subTag != platform::WAVE_FORMAT_PCM) return RefuseEncoding(subTag, "extensible sub-format ");
    WaveSamplesFormat result;
    result.encoding = WaveEncoding::Pcm;
    result.format = format;
    result.format.formatTag = platform::WAVE_FORMAT_PCM;
    result.format.extraSize = 0;
    return result;
}

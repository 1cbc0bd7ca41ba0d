#include "support/image_files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

void PutBig32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutBig32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBig32(out, Crc32(body));
}

// A zlib stream of stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw)
{
    std::string out = "\x78\x01";
    size_t at = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, at, length);
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(out, b << 16 | a);
    return out;
}

}  // namespace

std::string PngFile(uint32_t width, uint32_t height, int channels, int bitDepth, const std::vector<uint16_t>& samples,
                    bool srgbChunk)
{
    static const int kColorTypes[5] = {0, 0, 4, 2, 6};
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBig32(header, width);
    PutBig32(header, height);
    header += {static_cast<char>(bitDepth), static_cast<char>(kColorTypes[channels]), 0, 0, 0};
    PutChunk(out, "IHDR", header);
    if (srgbChunk) PutChunk(out, "sRGB", std::string(1, '\0'));
    std::string raw;
    size_t at = 0;
    for (uint32_t row = 0; row < height; ++row) {
        raw.push_back(0);  // no filter
        for (uint32_t index = 0; index < width * channels; ++index, ++at) {
            const uint16_t value = at < samples.size() ? samples[at] : 0;
            if (bitDepth == 16) raw.push_back(static_cast<char>(value >> 8));
            raw.push_back(static_cast<char>(value & 0xFF));
        }
    }
    PutChunk(out, "IDAT", StoredZlib(raw));
    PutChunk(out, "IEND", "");
    return out;
}

std::string JpegFile(uint32_t width, uint32_t height, int channels, const std::vector<uint8_t>& samples,
                     int exifColorSpace)
{
    std::string out;
    stbi_write_jpg_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
        },
        &out, static_cast<int>(width), static_cast<int>(height), channels, samples.data(), 100);
    if (exifColorSpace < 0 || out.size() < 2) return out;

    // Little-endian TIFF: IFD0 points at the EXIF directory, which holds the
    // colour space as one SHORT.
    const std::string tiff = std::string("II\x2A\x00\x08\x00\x00\x00", 8) +
                             std::string("\x01\x00\x69\x87\x04\x00\x01\x00\x00\x00\x1A\x00\x00\x00", 14) +
                             std::string(4, '\0') + std::string("\x01\x00\x01\xA0\x03\x00\x01\x00\x00\x00", 10) +
                             std::string({static_cast<char>(exifColorSpace & 0xFF),
                                          static_cast<char>(exifColorSpace >> 8), 0, 0}) +
                             std::string(4, '\0');
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    const size_t length = body.size() + 2;
    std::string segment = "\xFF\xE1";
    segment.push_back(static_cast<char>(length >> 8));
    segment.push_back(static_cast<char>(length & 0xFF));
    segment += body;
    out.insert(2, segment);
    return out;
}

std::vector<uint16_t> SolidSamples(uint32_t width, uint32_t height, const std::vector<uint16_t>& texel)
{
    std::vector<uint16_t> samples;
    for (uint32_t index = 0; index < width * height; ++index) samples.insert(samples.end(), texel.begin(), texel.end());
    return samples;
}

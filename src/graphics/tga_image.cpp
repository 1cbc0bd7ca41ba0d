// CTgaImage: header checks, then the uncompressed copy or the run-length
// decoder. Every size in the header is untrusted: the pixel vector is sized
// from the header only after the size is known to fit 32 bits, and the file's
// bytes are read through BinaryReader, so a short or hostile file ends the
// pixel data early (the rest stays zero) and never reads past the buffer.
#include "graphics/tga_image.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "core/binary_io.h"
#include "platform/files.h"

namespace {

constexpr char kFileNotFound[] = "File Not Found.";
constexpr char kNotTgaFile[] = "Invalid File Format. Required: 24 or 32 Bit TGA File.";
constexpr char kWrongDepth[] = "Invalid File Format. Required: 24 or 32 Bit Image.";

constexpr size_t kHeaderBytes = 18;
// Header bytes 0-11: no image ID, no colour map, true-colour image type, zero
// origin. Anything else (an ID field, a palette, an origin) is not accepted.
constexpr uint8_t kUncompressedKind[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kRunLengthKind[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

constexpr uint64_t kLargestVector = std::numeric_limits<uint32_t>::max();

// Stores one file pixel (blue, green, red[, alpha]) as red, green, blue[, alpha].
void StoreSwapped(uint8_t* out, const uint8_t* pixel, size_t bytesPerPixel)
{
    out[0] = pixel[2];
    out[1] = pixel[1];
    out[2] = pixel[0];
    if (bytesPerPixel == 4) out[3] = pixel[3];
}

}  // namespace

CTgaImage::CTgaImage(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!platform::ReadWholeFile(fileName, file)) throw std::invalid_argument(kFileNotFound);
    Decode(file.data(), file.size());
}

CTgaImage::CTgaImage(const uint8_t* fileBytes, size_t byteCount) { Decode(fileBytes, byteCount); }

void CTgaImage::Decode(const uint8_t* fileBytes, size_t byteCount)
{
    BinaryReader reader(fileBytes, byteCount);
    uint8_t kind[12];
    uint16_t fileWidth = 0, fileHeight = 0;
    uint8_t depth = 0, descriptor = 0;
    if (byteCount < kHeaderBytes) throw std::invalid_argument(kNotTgaFile);
    reader.ReadBytes(kind, sizeof kind);
    reader.ReadU16(fileWidth);
    reader.ReadU16(fileHeight);
    reader.ReadU8(depth);
    reader.ReadU8(descriptor);  // alpha bits and origin: rows are kept in file order

    const bool uncompressed = std::memcmp(kind, kUncompressedKind, sizeof kind) == 0;
    const bool runLength = std::memcmp(kind, kRunLengthKind, sizeof kind) == 0;
    if (!uncompressed && !runLength) throw std::invalid_argument(kNotTgaFile);

    width = fileWidth;
    height = fileHeight;
    bitsPerPixel = depth;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) throw std::invalid_argument(kWrongDepth);

    const uint64_t rowBytes = (uint64_t{bitsPerPixel} * width + 31) / 32 * 4;
    const uint64_t paddedSize = rowBytes * height;
    const uint64_t pixelCount = uint64_t{width} * height;
    // A 65535 x 65535 header would wrap a 32-bit size into a small vector.
    if (paddedSize > kLargestVector || pixelCount * 4 > kLargestVector) throw std::invalid_argument(kNotTgaFile);
    // Even run-length packets cannot expand one byte into more than 128 pixels:
    // a header promising more than the file could hold is not an image, and
    // must not make a tiny file allocate gigabytes.
    const uint64_t dataBytes = byteCount - kHeaderBytes;
    if (pixelCount > dataBytes * 128 + 4096) throw std::invalid_argument(kNotTgaFile);
    size = static_cast<uint32_t>(paddedSize);

    if (uncompressed) {
        compressed = false;
        std::vector<uint8_t> decoded(size);
        reader.ReadBytes(decoded.data(), std::min<size_t>(size, reader.Remaining()));
        pixels = std::move(decoded);
        return;
    }

    // Packets may cross rows. A packet that would pass the last pixel is cut
    // there; a stream that ends inside a packet stops at the last whole pixel.
    compressed = true;
    const size_t bytesPerPixel = bitsPerPixel / 8;
    std::vector<uint8_t> decoded(static_cast<size_t>(pixelCount * 4));
    uint64_t written = 0;
    bool streamEnded = false;
    while (written < pixelCount && !streamEnded) {
        uint8_t packet = 0;
        if (!reader.ReadU8(packet)) break;
        const bool run = packet >= 128;
        const uint64_t count = std::min<uint64_t>(run ? packet - 127u : packet + 1u, pixelCount - written);
        uint8_t pixel[4];
        for (uint64_t i = 0; i < count; ++i) {
            if ((!run || i == 0) && !reader.ReadBytes(pixel, bytesPerPixel)) {
                streamEnded = true;
                break;
            }
            StoreSwapped(decoded.data() + (written + i) * bytesPerPixel, pixel, bytesPerPixel);
        }
        written += count;
    }
    pixels = std::move(decoded);
}

// CTgaImage: one 24- or 32-bit Truevision TGA image (uncompressed, type 2, or
// run-length encoded, type 10) read into memory. The landscape generator reads
// the biome graph "temp-percp-graph.tga" with it.
//
// Everything happens in the constructor; a file that cannot be used throws
// std::invalid_argument with one of three fixed messages:
//   "File Not Found."
//   "Invalid File Format. Required: 24 or 32 Bit TGA File."  (not type 2/10
//       true-colour with no ID, no colour map and a zero origin; too short for
//       a header; or a size that does not fit 32 bits)
//   "Invalid File Format. Required: 24 or 32 Bit Image."     (other depths)
//
// Layout of `pixels`: the rows as the file orders them (an ordinary TGA file
// starts at the bottom); nothing is turned upside down:
//   uncompressed  `size` bytes as the file stores them (blue, green, red[,
//                 alpha]). For 24 bits `size` rounds every row up to 4 bytes
//                 although the file's rows are packed, so the block is the
//                 packed pixels followed by whatever the file holds next.
//   run-length    width x height x 4 bytes; each pixel stored red, green,
//                 blue[, alpha]. A 24-bit image fills only the first three
//                 quarters, 3 bytes a pixel with no gaps; the rest is zero.
// A file that ends early leaves the rest of the vector zero in both cases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTgaImage {
public:
    // Reads the file at the narrow (8-bit) path.
    explicit CTgaImage(const std::string& fileName);
    // Decodes a whole TGA file already in memory; same results and errors,
    // except that "File Not Found." cannot happen.
    CTgaImage(const uint8_t* fileBytes, size_t byteCount);

    std::vector<uint8_t> pixels;
    bool compressed = false;
    uint32_t width = 0;
    uint32_t height = 0;
    // height x row length, where a row of bitsPerPixel x width bits is padded
    // to the next 4-byte boundary.
    uint32_t size = 0;
    uint32_t bitsPerPixel = 0;

private:
    void Decode(const uint8_t* fileBytes, size_t byteCount);
};

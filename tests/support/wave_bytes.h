// WAVE files built byte by byte, for the tests that read or play them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

inline std::string U16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
inline std::string U32(uint32_t v) { return U16(static_cast<uint16_t>(v)) + U16(static_cast<uint16_t>(v >> 16)); }

// A chunk with its id, size (the body's unless given) and the pad byte of an odd body.
inline std::string Chunk(const char* id, const std::string& body, std::optional<uint32_t> size = std::nullopt)
{
    std::string chunk = std::string(id, 4) + U32(size.value_or(static_cast<uint32_t>(body.size()))) + body;
    if (body.size() % 2) chunk += '\0';
    return chunk;
}

// The 16 bytes of a format block before its extra-size field.
inline std::string Fmt(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 1)
{
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
}

inline std::string Riff(const std::string& chunks, std::optional<uint32_t> size = std::nullopt)
{
    return "RIFF" + U32(size.value_or(static_cast<uint32_t>(4 + chunks.size()))) + "WAVE" + chunks;
}

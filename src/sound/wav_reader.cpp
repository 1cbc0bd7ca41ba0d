#include "sound/wav_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/binary_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "sound/wave_format.h"

namespace {

struct Chunk {
    uint64_t dataOffset = 0;  // first byte behind the 8-byte header
    uint32_t size = 0;        // as the file states it
};

bool ReadChunkHeader(const std::vector<uint8_t>& file, uint64_t offset, char id[4], uint32_t& size)
{
    if (offset > file.size()) return false;
    BinaryReader reader(file.data() + offset, file.size() - offset);
    return reader.ReadBytes(id, 4) && reader.ReadU32(size);
}

// Searches [from, end) for a chunk with this id, stepping over the others as
// mmioDescend with MMIO_FINDCHUNK does. `end` never lies past the file.
bool FindChunk(const std::vector<uint8_t>& file, const char* wanted, uint64_t from, uint64_t end, Chunk& found)
{
    uint64_t offset = from;
    while (offset + 8 <= end) {
        char id[4];
        uint32_t size = 0;
        if (!ReadChunkHeader(file, offset, id, size)) return false;
        if (std::memcmp(id, wanted, 4) == 0) {
            found = {offset + 8, size};
            return true;
        }
        offset += 8 + uint64_t{size} + (size & 1u);
    }
    return false;
}

// The Windows program looks for a resource of its own module when the file is
// missing. This build embeds no sounds, so every look-up answers "not found".
bool FindProgramResource(const char16_t* name, const char16_t* type, std::vector<uint8_t>& copy) { return false; }

bool ReadSoundFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return false;
    const std::string resolved = platform::FileExists(path) ? path : platform::ResolveFileName(folder, name);
    return platform::ReadWholeFile(resolved, bytes);
}

}  // namespace

HResult CWavReader::Open(const char16_t* fileName)
{
    if (!fileName) return E_INVALIDARG;
    formatBlock_.clear();
    Close();

    std::vector<uint8_t> bytes;
    if (!ReadSoundFile(platform::Utf16ToUtf8(fileName), bytes)) {
        if (!FindProgramResource(fileName, u"WAVE", bytes) && !FindProgramResource(fileName, u"WAV", bytes))
            return E_FAIL;
    }
    file_ = std::move(bytes);
    open_ = true;
    return Parse();
}

HResult CWavReader::OpenMemory(const uint8_t* bytes, size_t size)
{
    formatBlock_.clear();
    Close();
    if (!bytes && size) return E_INVALIDARG;
    file_.assign(bytes, bytes + size);
    open_ = true;
    return Parse();
}

void CWavReader::Close()
{
    file_.clear();
    file_.shrink_to_fit();
    open_ = false;
    DataSize = 0;
    dataOffset_ = 0;
    dataRead_ = 0;
}

HResult CWavReader::Parse()
{
    // The first chunk must be RIFF/WAVE; it ends where it says, or at the end of the file.
    char id[4];
    uint32_t riffSize = 0;
    if (!ReadChunkHeader(file_, 0, id, riffSize) || std::memcmp(id, "RIFF", 4) != 0 || file_.size() < 12 ||
        std::memcmp(file_.data() + 8, "WAVE", 4) != 0) {
        Close();
        return -1;
    }
    const uint64_t riffEnd = std::min<uint64_t>(8 + uint64_t{riffSize}, file_.size());
    const uint64_t firstChunk = 12;

    // "fmt ": at least the 16 bytes of a PCM format; other tags carry a count
    // of extra bytes that follow, and those bytes must lie inside the chunk.
    Chunk fmt;
    if (!FindChunk(file_, "fmt ", firstChunk, riffEnd, fmt) || fmt.size < 16) {
        Close();
        return -1;
    }
    const uint64_t fmtEnd = std::min<uint64_t>(fmt.dataOffset + fmt.size, file_.size());
    BinaryReader format(file_.data() + fmt.dataOffset, static_cast<size_t>(fmtEnd - fmt.dataOffset));
    uint8_t pcm[16];
    if (!format.ReadBytes(pcm, sizeof(pcm))) {
        Close();
        return -1;
    }
    const uint16_t tag = static_cast<uint16_t>(pcm[0] | (pcm[1] << 8));
    uint16_t extraSize = 0;
    // A 16-byte format chunk of a non-PCM tag simply has no extra bytes.
    if (tag != platform::WAVE_FORMAT_PCM && format.Remaining() >= 2) format.ReadU16(extraSize);
    std::vector<uint8_t> block(18 + size_t{extraSize});
    std::memcpy(block.data(), pcm, sizeof(pcm));
    block[16] = static_cast<uint8_t>(extraSize);
    block[17] = static_cast<uint8_t>(extraSize >> 8);
    if (!format.ReadBytes(block.data() + 18, extraSize)) {
        Close();
        return -1;
    }
    formatBlock_ = std::move(block);

    // "data", searched again from just behind the form type.
    Chunk data;
    if (!FindChunk(file_, "data", firstChunk, riffEnd, data)) return -1;
    const uint64_t inFile = data.dataOffset < file_.size() ? file_.size() - data.dataOffset : 0;
    uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(data.size, inFile));
    const uint16_t blockAlign = Format().blockAlign;
    if (blockAlign > 1) size -= size % blockAlign;
    dataOffset_ = data.dataOffset;
    dataRead_ = 0;
    DataSize = size;
    return S_OK;
}

HResult CWavReader::Read(uint8_t* buffer, uint32_t count, uint32_t* bytesRead)
{
    if (!buffer || !bytesRead) return E_INVALIDARG;
    *bytesRead = 0;
    if (!open_) return -1;
    const uint32_t copied = std::min(count, DataSize - dataRead_);
    if (copied) std::memcpy(buffer, file_.data() + dataOffset_ + dataRead_, copied);
    dataRead_ += copied;
    *bytesRead = copied;
    return S_OK;
}

platform::WaveFormatEx CWavReader::Format() const { return WaveFormatHead(formatBlock_); }

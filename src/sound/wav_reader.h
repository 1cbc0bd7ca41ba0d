// CWavReader: reads the format and the sample data of a RIFF WAVE file, in
// place of WinMM's multimedia I/O.
//
// The chunk walk is mmio's: the file must start with a "RIFF" chunk of form
// "WAVE"; "fmt " and "data" are searched for inside it from just behind the
// form type, in any order, skipping every other chunk (odd sizes padded to
// even). Every size in the file is untrusted: the RIFF chunk ends at the end
// of the file at the latest, and the data size is cut to the bytes the file
// really holds, in whole sample frames, so a reader of DataSize bytes never
// gets fewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/hresult.h"
#include "platform/sound/direct_sound.h"

class CWavReader {
public:
    // Opens a file (UTF-16 name, relative to the current directory; a name
    // that differs only in case is found too). Without such a file the
    // program's own "WAVE" and "WAV" resources would be searched; this build
    // carries none, so the opening ends with no data. Results: S_OK, -1 for a
    // file that is not a usable WAVE file, E_INVALIDARG for a null name,
    // E_FAIL when there is nothing to open.
    HResult Open(const char16_t* fileName);
    // Opens an in-memory copy of a file, as a found resource is opened.
    HResult OpenMemory(const uint8_t* bytes, size_t size);

    // Copies up to `count` bytes of the data chunk that were not read yet;
    // `bytesRead` gets the count copied. E_INVALIDARG for a null buffer or
    // count pointer, -1 when nothing is open.
    HResult Read(uint8_t* buffer, uint32_t count, uint32_t* bytesRead);
    // Forgets the file; the format block stays until the next opening.
    void Close();

    // The format block: the 18 bytes of a WAVEFORMATEX and its extra bytes
    // (none for PCM). Empty until a format chunk was read.
    const std::vector<uint8_t>& FormatBlock() const { return formatBlock_; }
    // The first 18 bytes of the format block, field by field.
    platform::WaveFormatEx Format() const;

    // Bytes of sample data available to Read; 0 when there is none.
    uint32_t DataSize = 0;

private:
    HResult Parse();

    std::vector<uint8_t> file_;  // the opened file, or the copy of a resource
    bool open_ = false;
    std::vector<uint8_t> formatBlock_;
    uint64_t dataOffset_ = 0;
    uint32_t dataRead_ = 0;
};

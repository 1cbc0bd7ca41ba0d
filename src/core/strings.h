// Narrow-text helpers used by the file magics, the update check and the name
// fields of the interface.
#pragma once

#include <cstddef>
#include <string>

// 1 only for two non-null texts that match byte for byte and end together;
// 0 otherwise, so a null never matches anything.
int StrEqual(const char* a, const char* b);

// Index of the first occurrence of `pattern` in `text`; -1 when either is null
// or empty, or when there is none.
int FindSubstring(const char* text, const char* pattern);

// Shifts the text left past its leading blanks and control bytes (any byte up
// to 32, read unsigned, so bytes from 128 up stay). Returns the length left,
// -1 for null.
int TrimLeadingSpace(char* text);

// Copies the first min(length, count) characters of source into target and a
// NUL; target must hold count + 1 bytes. Returns the number copied; 0 without
// writing for null texts, an empty source or count <= 0.
int CopyStringMax(const char* source, char* target, int count);

// Copies as much of `text` as fits into `buffer` of `bytes` bytes, NUL
// included, never ending inside a UTF-8 character: a character that does not
// fit whole is left out whole. Nothing happens for a null buffer or 0 bytes.
void CopyUtf8Head(const std::string& text, char* buffer, size_t bytes);

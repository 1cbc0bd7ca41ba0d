// Narrow-text helpers used by the file magics and the update check.
#pragma once

// 1 when both texts are non-null, of equal length and equal bytes, else 0.
int StrEqual(const char* a, const char* b);

// Index of the first occurrence of `pattern` in `text`; -1 when either is null
// or empty, or when there is none.
int FindSubstring(const char* text, const char* pattern);

// Removes, in place, every leading character whose unsigned code is 32 or less;
// returns the new length, -1 for null.
int TrimLeadingSpace(char* text);

// Copies the first min(length, count) characters of source into target and a
// NUL; target must hold count + 1 bytes. Returns the number copied; 0 without
// writing for null texts, an empty source or count <= 0.
int CopyStringMax(const char* source, char* target, int count);

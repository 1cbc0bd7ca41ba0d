// The names of object parts and meshes: a copy on the shared heap, or the one
// read-only "noname" that every part and mesh has until it is named (a
// landscape holds one part and one mesh per cube, so it is never copied).
#pragma once

inline constexpr char kUnnamed[] = "noname";

// Null, or the text `name` already holds, changes nothing; otherwise `name`
// is freed and becomes a copy of `text` on the shared heap (null when the
// copy cannot be had).
void SetSharedName(const char*& name, const char* text);

// Frees a copy made by SetSharedName (kUnnamed is never freed); `name` is
// null afterwards.
void FreeSharedName(const char*& name);

// The text log "game.log" in the start directory: the program's only
// diagnostic channel. Each line is opened, appended and closed, so the file is
// complete after a crash. Failure lines read "Error: <Class>::<Operation>...".
#pragma once

#include <string>

// Truncates the log and writes the UTC time stamp (asctime form, or
// "NULL Time") followed by an empty line.
void ResetLog();

// Appends one line; null does nothing. Wide text is written as UTF-8.
void WriteLog(const char* text);
void WriteLog(const char16_t* text);
inline void WriteLog(const std::string& text) { WriteLog(text.c_str()); }

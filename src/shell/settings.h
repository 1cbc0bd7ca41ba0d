// The startup setup: display, sound and interface choices that persist in the
// binary file "vesk.cfg" in the start directory, with the key bindings of
// CGame. Read once at start-up, written once at shut-down.
#pragma once

#include <cstdint>
#include <vector>

class CGame;

constexpr int kSettingsTextBytes = 128;

struct StartupSetup {
    int32_t windowed = 1;
    int32_t screenWidth = 1280;
    int32_t screenHeight = 720;
    int32_t colorBits = 16;
    int32_t sampleCount = 0;
    int32_t fsaaChoice = 0;
    int32_t adapterIndex = 0;
    int32_t outputIndex = 0;
    int32_t aspectChoice = 0;  // 0 Auto, 1 1:1, 2 4:3, 3 5:4, 4 16:9, 5 16:10
    int32_t resolutionChoice = -1;
    int32_t useRefreshRate = 0;
    int32_t refreshRate = -1;
    int32_t soundBackEnd = 0;  // 0 DirectSound-style back end, anything else OpenAL
    char lastWorld[kSettingsTextBytes] = {};
    int32_t showHints = 1;
    int32_t lastUpdateMonth = 0;
    int32_t lastUpdateYear = 0;
    int32_t lastUpdateDay = 0;
    int32_t startCount = 0;

    // Values the file carries that nothing uses; kept only to be written back.
    int32_t reservedHead[8] = {1, 3, 0, 0, 0, 4, 0, 0};
    char reservedText[kSettingsTextBytes] = {};
    uint32_t reservedValues[11] = {0x3E99999A, 0x3E99999A, 0x3E99999A, 0x3E99999A, 1, 1, 0, 1, 1, 0, 0};
    int32_t reservedInts[5] = {1, 4, 0, 0, 0};
};

extern StartupSetup Settings;

// Restores every value to its default.
void ResetStartupSetup();

// Reads "vesk.cfg"; 1 when the whole file was read. A file that ends early
// still counts for everything before its end; what comes after stays default.
int LoadStartupSetup();

// The reading behind LoadStartupSetup, on bytes already in memory; `game` may
// be null (the file then ends after the reserved ints).
int ParseStartupSetup(const std::vector<uint8_t>& bytes, StartupSetup& setup, CGame* game);

// Writes "vesk.cfg" through a temporary file, so a failed write never destroys
// a good file; 1 on success.
int SaveStartupSetup();

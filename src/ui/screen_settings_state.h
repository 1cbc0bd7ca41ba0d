// The screen-settings screen's working state in the front end: the lists its
// combo boxes show (Dear ImGui's zero-separated item strings) and what stands
// behind each item. The selections themselves are CMenu's display choices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DisplayResolution {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 32;
};

struct ScreenSettingsState {
    // Built once per run.
    std::string adapterItems;
    std::string fullscreenItems;
    std::string aspectItems;
    // Filled when the screen first shows and again after each change of
    // adapter or output; the adapter and output they were built for.
    std::string outputItems;
    std::string resolutionItems;
    std::vector<DisplayResolution> resolutions;
    std::string fsaaItems;
    std::vector<int32_t> fsaaValues;  // the sample count of each FSAA item
    int32_t listsAdapter = -1;
    int32_t listsOutput = -1;
    // The "Refresh-rate" combo has no items and nothing reads its choice.
    int32_t refreshRateChoice = 0;
};

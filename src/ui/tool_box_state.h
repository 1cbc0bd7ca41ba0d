// The tool boxes' state in the scene (CScene::toolBoxes): where the ToolBox
// and the "Blocks" window stand, the ToolBox's rotating key hint, and what the
// tool-box windows remember from one frame to the next.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// A tool-box window's stored top-left corner, in screen pixels.
struct ToolBoxPosition {
    float x = 0.0f;
    float y = 0.0f;
};

struct ToolBoxState {
    // Keyed by window id: "MainToolBox" (the ToolBox), "ExtToolBox" (the
    // "Blocks" window) and "GenerateWorld". A window is placed once (placed
    // switch 0 -> 1), then follows the position it stores every frame. Looking
    // up an id not in a map adds it with a zero value.
    std::map<std::string, int32_t> placed{{"MainToolBox", 0}, {"ExtToolBox", 0}, {"GenerateWorld", 0}};
    std::map<std::string, ToolBoxPosition> positions{
        {"MainToolBox", {}}, {"ExtToolBox", {}}, {"GenerateWorld", {}}};

    // The ToolBox's hint line shows hint hintIndex (0..11); it moves on to the
    // next one when more than 3000 ms of the clock have passed since hintClock.
    uint32_t hintClock = 0;
    int32_t hintIndex = 0;

    // Widths of "Textures" and "Blocks" in the last frame they were drawn
    // (0 before): their pictures wrap to a new row at that width.
    float texturesWidth = 0.0f;
    float blocksWidth = 0.0f;

    // "Single Object Mode": the slider angles in radians; they follow the
    // current block type every frame while there is one.
    float singleObjectAngles[3] = {};

    // The line kind combo of the "Line Tool Box": 0 "PolyLine", 1 "Nurbs",
    // 2 "Bezier". It follows the active line; without one it keeps its value.
    int32_t lineKindIndex = 0;
};

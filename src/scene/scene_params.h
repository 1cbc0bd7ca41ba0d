// Parameter records of the three kinds of new world, edited on the new-world
// screen and handed through CGame::NewWorld to the scene and its generators.
#pragma once

#include <cstdint>

struct BlankSceneParams {
    float worldSize = 100.0f;
    float objectSize = 20.0f;
    int32_t verticalBorders = 1;
    float height = 5.0f;
    int32_t reserved = 0;
    int32_t mosaic = 0;
};

struct TubeSceneParams {
    float worldSize = 100.0f;
    float maxLeafSize = 25.0f;
    int32_t multiLevel = 0;
    int32_t baseLevel = 0;
};

struct LandscapeSceneParams {
    int32_t worldSize = 100;
    int32_t maxHeight = 25;
};

enum SceneKind : int { kBlankScene = 0, kTubeScene = 1, kLandscapeScene = 2 };
enum CreateWorldMode : int { kOpenWorld = 0, kGenerateWorld = 1 };

// A game on the headless driver with the shipped blocks, sounds and ground
// textures, Dear ImGui's back ends and a sound manager on SDL's dummy audio:
// enough to create a world and run whole scene frames.
#pragma once

#include "shell/game.h"
#include "sound/sound_manager.h"
#include "support/headless_driver.h"

// Live records of the heaps a world fills; equal before a world is made and
// after it is gone.
struct HeapCounts {
    HeapCounts();
    int objects = 0;
    int bodies = 0;
    int meshes = 0;
    int sounds = 0;
    int textures = 0;
    int shaders = 0;
    int shared = 0;
    bool operator==(const HeapCounts&) const = default;
};

class RunningGameTest : public HeadlessDriverTest {
protected:
    void SetUp() override;
    void TearDown() override;

    CSoundManager sound_;
    CGame game_;
};

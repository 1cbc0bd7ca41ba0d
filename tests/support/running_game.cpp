#include "support/running_game.h"

#include <gtest/gtest.h>

#include <imgui.h>

#include <cstdlib>

#include "core/private_heap.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/imgui_backends.h"
#include "sound/sound_buffer.h"
#include "support/imgui_test_frame.h"
#include "support/shipped_data.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"

HeapCounts::HeapCounts()
    : objects(CNBObject::Heap().LiveCount()),
      bodies(CPhysicBody::Heap().LiveCount()),
      meshes(CPolygonsGrid::Heap().LiveCount()),
      sounds(CSoundBuffer::Heap().LiveCount()),
      textures(CTexture::Heap().LiveCount()),
      shaders(ShaderEntry::Heap().LiveCount()),
      shared(SharedHeap().LiveCount())
{
}

void RunningGameTest::SetUp()
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    HeadlessDriverTest::SetUp();
    CopyShippedFolder(folder_, "Blocks");
    CopyShippedFolder(folder_, "Sounds");
    for (const char* texture : {"Textures/ground.dds", "Textures/laminat_surface.dds"})
        folder_.Write(texture, Shipped(texture));
    folder_.MakeFolder("Worlds");

    testing_support::CreateTestImGuiContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(gpu().Window()));
    sound_.BackEnd = 0;
    sound_.EnumerateDevices();
    if (sound_.Init() == 0) sound_.InitListener();
    game_.driver = Driver;
    game_.soundManager = &sound_;
}

void RunningGameTest::TearDown()
{
    game_.UnloadWorld();
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
    platform::SetClockSource({});
    HeadlessDriverTest::TearDown();
}

#include "support/played_world.h"

#include <gtest/gtest.h>

#include "scene/scene.h"
#include "shell/game.h"

void PlayedWorld::SetUp()
{
    PlayedProgram::SetUp();
    const BlankSceneParams blank {40.0f, 20.0f, 1, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("played", kBlankScene, &blank, nullptr, nullptr)) << Log();
    game_.menuMode = 0;
    Scene().Flag(kFlagStartHints) = 0;
    Pass(2);  // the scene's first frames; the mouse is taken exclusively
}

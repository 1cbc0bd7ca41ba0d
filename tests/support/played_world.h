// A blank world played through the program's whole input path (see
// played_program.h), entered straight away: window and back buffer are
// 640 x 480.
#pragma once

#include "support/played_program.h"

class CScene;

class PlayedWorld : public PlayedProgram {
protected:
    PlayedWorld() : PlayedProgram(640, 480) {}
    void SetUp() override;

    CScene& Scene() { return *game_.scene; }
};

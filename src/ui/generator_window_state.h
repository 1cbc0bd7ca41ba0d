// The generator windows' own state in the scene, and the one conversion
// they share with their tests.
//
// The windows keep nothing of their own: every value they show is a
// generator setting (CScene::generator) or a scene flag, and the two combos
// ("Line", "Step") show the setting they edit, so a value changed elsewhere
// (the Ext Tool Box shares the step mode) or reset by a new scene is always
// shown as it stands.
#pragma once

struct GeneratorWindowState {
};

// How many times "Generate" of the "Auto Scene Geenrator" runs the automatic
// scene for an "Iterations" value: its whole part within the slider's range;
// 0 below 1 and for a value that is not a number.
int AutoSceneRunCount(float iterations);

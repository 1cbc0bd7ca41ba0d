// The scene flags: the editor windows' show switches, the modes and the
// option switches of a running scene, each known by its number. CScene::Flag
// gives flag n. Numbers not listed here are no flags.
//
// The flags a world file carries (225, 229-233, 272, 284, 285, 300) are the
// bytes of CScene::options; every other flag is a byte of CScene's own flag
// table. Defaults after construction: 9 (from the settings file's showHints),
// 24, 40, 41, 229, 230, 231, 233, 284, 285 and 312 are on, all others off.
#pragma once

enum SceneFlag : int {
    kFlagHelpWindow = 8,             // "Help - F1"
    kFlagStartHints = 9,             // "Start Hints"
    kFlagBlocksWindow = 11,          // action "Extended Tools"
    kFlagTexturesWindow = 12,        // action "Extended Textures"
    kFlagCameraOptions = 13,
    kFlagMiscOptions = 14,
    kFlagCreateObjectsDialog = 15,   // generated-scene dialog
    kFlagModelView = 16,             // "Single Object Mode": the frame shows the current block type alone
    kFlagSceneMenu = 17,             // Esc
    kFlagSceneChooser = 18,
    kFlagBlankSceneDialog = 19,
    kFlagTubeSceneDialog = 20,
    kFlagLandscapeSceneDialog = 21,
    kFlagSaveAsEntry = 22,
    kFlagOverwriteQuestion = 23,
    kFlagToolBox = 24,               // "Imaged Buttons"
    kFlagConsole = 25,
    kFlagConsoleCommands = 26,
    kFlagGenerateObjects = 27,
    kFlagAutoSceneGenerator = 28,
    kFlagExtToolBox = 30,
    kFlagStats = 31,
    kFlagObjectProperties = 32,
    kFlagSunProperties = 33,
    kFlagLineToolBox = 35,
    kFlagLineAddVertex = 36,         // 36-38: at most one is set
    kFlagLineMoveVertex = 37,
    kFlagLineDelete = 38,
    kFlagCopyMaterialByName = 39,
    kFlagApplyTextureOnClick = 40,
    kFlagDynamicPreview = 41,
    kFlagRandomizeNoise = 42,
    kFlagNoise3D = 43,
    kFlagPhysicsPaused = 225,        // world file
    kFlagPitchKeyHeld = 226,
    kFlagRollKeyHeld = 227,
    kFlagYawKeyHeld = 228,
    kFlagShowGhostObject = 229,      // world file: the placement frame
    kFlagShowPickedObject = 230,     // world file: the frame around the picked object
    kFlagPhysicsEnable = 231,        // world file: new objects are simulated
    kFlagPerlinPhysics = 232,        // world file: "Physics Enable" of the Perlin generator's objects
    kFlagSnapToGrid = 233,           // world file: "Flexible Object Snap"
    kFlagSmoothCamera = 272,         // world file
    kFlagImpulseTimesMass = 284,     // world file: every object gets the same speed change
    kFlagStaticMeshNotDragged = 285, // world file
    kFlagPhysicsQuality = 300,       // world file: 0, 1 or 2
    kFlagLockAxis = 312,
    kFlagGenerateAlongSpline = 313,
    kFlagGeneratorPreview = 314,
    kFlagLineStepMode = 315,         // 0 automatic, 1 fixed
};

// One past the highest flag number.
inline constexpr int kSceneFlagCount = 316;

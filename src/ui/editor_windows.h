// The editor windows drawn over a running scene. CScene::DrawUserInterface
// (ui/editor_frame.cpp) calls each, inside its one Dear ImGui frame, while
// the window's scene flag is set; each window's "Close" clears its own flag.
#pragma once

class CScene;

// Every editor window whose flag is set, in the fixed order, then the notices
// waiting; inside the Dear ImGui frame of CScene::DrawUserInterface.
void DrawEditorWindows(CScene& scene);

// ---- scene dialogs (ui/scene_dialogs.cpp) ----
void DrawCreateObjectsDialog(CScene& scene);  // flag 15: automatic scene or direct objects
void DrawBlankSceneDialog(CScene& scene);     // flag 19
void DrawTubeSceneDialog(CScene& scene);      // flag 20
void DrawLandscapeSceneDialog(CScene& scene); // flag 21
void DrawSceneChooser(CScene& scene);         // flag 18
void DrawSceneMenu(CScene& scene);            // flag 17
// After the interface of the frame has been drawn: when "ReLoad Last Saved"
// was clicked in it, the world is read again now. Until then that frame's
// windows name the running world's pictures and textures, which go with it.
void ReloadIfAsked(CScene& scene);

// ---- console (ui/console.cpp) ----
void DrawConsoleWindow(CScene& scene);          // flag 25 "Console"
void DrawConsoleCommandsWindow(CScene& scene);  // flag 26 "List of Console Commands"

// ---- tool boxes (ui/tool_boxes.cpp) ----
void DrawTexturesWindow(CScene& scene);          // flag 12 "Textures"
void DrawBlocksWindow(CScene& scene);            // flag 11 "Blocks"
void DrawExtToolBoxWindow(CScene& scene);        // flag 30 "Ext Tool Box"
void DrawLineToolBoxWindow(CScene& scene);       // flag 35 "Line Tool Box"
void DrawSingleObjectModeWindow(CScene& scene);  // flag 16 "Single Object Mode"
void PlaceToolBoxFirstTime(CScene& scene);       // every frame, shown or not
void DrawToolBoxWindow(CScene& scene);           // flag 24 "Imaged Buttons"

// ---- property and option editors (ui/property_editors.cpp) ----
void DrawMiscOptionsWindow(CScene& scene);       // flag 14 "Misc Options"
void DrawCameraOptionsWindow(CScene& scene);     // flag 13 "Camera Options"
void DrawObjectPropertiesWindow(CScene& scene);  // flag 32 "Object Properties"
void DrawSunPropertiesWindow(CScene& scene);     // flag 33 "Sun Properties"

// ---- stats, help and start hints (ui/stats_help_hints.cpp) ----
void DrawStatsWindow(CScene& scene);       // flag 31 "Stats"
void DrawHelpWindow(CScene& scene);        // flag 8 "Help - F1", only with the scene's game link
void DrawStartHintsWindow(CScene& scene);  // flag 9 "Start Hints"

// ---- generator windows (ui/generator_windows.cpp) ----
void DrawAutoSceneGeneratorWindow(CScene& scene);  // flag 28 "Auto Scene Geenrator"
void DrawGenerateObjectsWindow(CScene& scene);     // flag 27 "Generate Objects"

// How many times "Generate" of the "Auto Scene Geenrator" runs the automatic
// scene for an "Iterations" value: its whole part within the slider's range;
// 0 below 1 and for a value that is not a number.
int AutoSceneRunCount(float iterations);

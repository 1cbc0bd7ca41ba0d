// Dear ImGui's own settings file ("imgui.ini" in the start directory): window
// places and sizes it keeps between runs and writes back itself.
#pragma once

// Reads the settings file named by the current context's IniFilename into the
// context, so that its first frame finds them loaded. A missing or empty file
// leaves every window at its first-use place. Call once after the context is
// made and before its first NewFrame.
void LoadInterfaceLayout();

// The console (flag 25), where short typed commands switch scene behaviour
// at run time, and the list of its commands (flag 26).
//
// Index: commands - history - the two windows
#include <imgui.h>
#include <imgui_internal.h>

#include <cfloat>
#include <cstring>

#include "scene/scene.h"
#include "shell/settings.h"
#include "ui/console_state.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"

ConsoleText Console;

namespace {

const char* const kCommandHelp[] = {
    "fall - start random falling objects",
    "stop fall - stop random falling objects",
    "cursor - draw cursor turn on/off",
    "building - start animation of building process",
    "dontpick - don't pick object by cursor",
    "pick - pick object by cursor",
};

DropRecord ConsoleDropRecord(const char* command, int32_t key)
{
    DropRecord record;
    record.name = command;
    record.key = key;
    record.reserved = 0;
    return record;
}

}  // namespace

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void RunConsoleCommand(CScene& scene, const char* command)
{
    if (!command) return;
    if (std::strcmp(command, "fall") == 0) scene.SetDropRecord(ConsoleDropRecord(command, kDropContinuously));
    if (std::strcmp(command, "stop fall") == 0) scene.RemoveDropRecord(ConsoleDropRecord(command, kDropContinuously));
    if (std::strcmp(command, "cursor") == 0) scene.cursorSpriteShown = scene.cursorSpriteShown ? 0 : 1;
    if (std::strcmp(command, "building") == 0) scene.SetDropRecord(ConsoleDropRecord(command, kMarkAllDropped));
    if (std::strcmp(command, "dontpick") == 0) {
        scene.pickingOff = 1;
    } else if (std::strcmp(command, "pick") == 0) {
        scene.pickingOff = 0;
    }
}

// ---------------------------------------------------------------------------
// History
// ---------------------------------------------------------------------------

void AppendConsoleHistory(char* history, size_t capacity, const char* line)
{
    if (!history || capacity == 0) return;
    if (capacity < 2) {
        history[0] = '\0';
        return;
    }
    if (!line) line = "";
    // The user edits the buffer by hand; never trust it to be terminated.
    history[capacity - 1] = '\0';
    size_t used = std::strlen(history);
    const size_t room = capacity - 1;  // characters, without the terminating zero
    size_t lineLength = std::strlen(line);
    if (lineLength + 1 > room) lineLength = room - 1;  // cannot happen for a 128-byte command line
    const size_t needed = lineLength + 1;

    // Drop the oldest whole lines until the new one fits.
    size_t dropped = 0;
    while (used - dropped + needed > room) {
        const char* end = static_cast<const char*>(std::memchr(history + dropped, '\n', used - dropped));
        dropped = end ? static_cast<size_t>(end - history) + 1 : used;
    }
    if (dropped > 0) {
        std::memmove(history, history + dropped, used - dropped);
        used -= dropped;
    }
    std::memcpy(history + used, line, lineLength);
    history[used + lineLength] = '\n';
    history[used + needed] = '\0';
}

void SubmitConsoleCommand(CScene& scene)
{
    Console.command[ConsoleText::kCommandBytes - 1] = '\0';
    RunConsoleCommand(scene, Console.command);
    AppendConsoleHistory(Console.history, ConsoleText::kHistoryBytes, Console.command);
    std::memset(Console.command, 0, sizeof Console.command);
}

// ---------------------------------------------------------------------------
// The two windows
// ---------------------------------------------------------------------------

void DrawConsoleWindow(CScene& scene)
{
    const float s = InterfaceScale();
    ImGui::SetNextWindowPos(ImVec2(0.0f, static_cast<float>(Settings.screenHeight) - 470.0f * s), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(450.0f * s, 440.0f * s), ImGuiCond_Always);
    const ScopedFont font("gui");
    ImGui::Begin("Console");
    ImGui::Text("History");
    ImGui::InputTextMultiline("##source", Console.history, ConsoleText::kHistoryBytes,
                              ImVec2(-FLT_MIN, ImGui::GetFontSize() * 16.0f), ImGuiInputTextFlags_AllowTabInput);
    if (ImGui::InputText("Command", Console.command, ConsoleText::kCommandBytes,
                         ImGuiInputTextFlags_EnterReturnsTrue)) {
        SubmitConsoleCommand(scene);
        // Enter ends the field's edit. The field takes the keyboard back in
        // this same frame, emptied, so the next command's letters never
        // reach the scene as keys, and those typed before the next frame
        // are its first ones (a field focused anew would drop them). A
        // click elsewhere, Esc or closing ends it.
        const ImGuiID field = ImGui::GetItemID();
        if (ImGuiInputTextState* edit = ImGui::GetInputTextState(field)) {
            edit->ClearText();
            edit->InitialTextA.resize(1);
            edit->InitialTextA[0] = '\0';  // Esc leaves an empty line
        }
        ImGui::SetActiveID(field, ImGui::GetCurrentWindow());
    }
    ImGui::Text("Shift - Block camera rotation");
    if (ImGui::Button("Close", ImVec2(200.0f, 32.0f))) scene.Flag(kFlagConsole) = 0;
    ImGui::SameLine();
    if (ImGui::Button("List of Commands", ImVec2(200.0f, 32.0f))) {
        uint8_t& list = scene.Flag(kFlagConsoleCommands);
        list = list ? 0 : 1;
    }
    ImGui::End();
}

void DrawConsoleCommandsWindow(CScene& scene)
{
    const float s = InterfaceScale();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(420.0f * s, 530.0f * s), ImGuiCond_Always);
    const ScopedFont font("help");
    ImGui::Begin("List of Console Commands");
    ImGui::Columns(2, "", true);
    ImGui::Separator();
    for (const char* line : kCommandHelp) ImGui::BulletText("%s", line);
    ImGui::Columns(1);
    if (ImGui::Button("Close", ImVec2(200.0f, 32.0f))) scene.Flag(kFlagConsoleCommands) = 0;
    ImGui::End();
}

// The generator windows over a running scene: "Generate Objects" (flag 27),
// one tab per generator (straight rows, circles and spirals, random splines,
// Perlin fields), each showing its preview before it creates;
// and "Auto Scene Geenrator" (flag 28), which starts the automatic scene.
//
// The windows only edit the generator settings and call the generators:
// every change of a shape setting previews again at once, "Generate" and
// "Create" turn the preview into objects.
//
// Index: widgets - "Generate Objects" tabs (direct line, circle, spline,
// Perlin) - "Generate Objects" - "Auto Scene Geenrator"
#include <imgui.h>

#include <cmath>
#include <cstdint>

#include "generation/noise.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/object.h"

namespace {

const ImVec2 kCloseButtonSize(200.0f, 32.0f);
constexpr float kSecondColumnX = 200.0f;

// ---------------------------------------------------------------------------
// Widgets
// ---------------------------------------------------------------------------

// Every slider clamps, also a value typed with Ctrl+click.
bool Slider(const char* label, float& value, GeneratorRange range, const char* format)
{
    return ImGui::SliderFloat(label, &value, range.low, range.high, format, ImGuiSliderFlags_AlwaysClamp);
}

// A check box on a byte switch; true (and the byte written) on a change.
bool CheckboxByte(const char* label, uint8_t& value)
{
    bool on = value != 0;
    if (!ImGui::Checkbox(label, &on)) return false;
    value = on ? 1 : 0;
    return true;
}

// A combo on a byte setting that shows the value as it stands.
bool ComboByte(const char* label, uint8_t& value, const char* const items[], int count)
{
    int index = value < count ? value : 0;
    if (!ImGui::Combo(label, &index, items, count)) return false;
    value = static_cast<uint8_t>(index);
    return true;
}

// The widgets drawn while it lives are disabled (at half alpha) unless `enabled`.
class DisabledUnless {
public:
    explicit DisabledUnless(bool enabled)
    {
        ImGui::PushStyleVar(ImGuiStyleVar_DisabledAlpha, 0.5f);
        ImGui::BeginDisabled(!enabled);
    }
    ~DisabledUnless()
    {
        ImGui::EndDisabled();
        ImGui::PopStyleVar();
    }
    DisabledUnless(const DisabledUnless&) = delete;
    DisabledUnless& operator=(const DisabledUnless&) = delete;
};

// A shape setting of types 0 to 2 changed: preview it at once.
void PreviewAgain(CScene& scene, int type)
{
    scene.GenerateObjects(type, kGeneratorPreview);
    scene.Flag(kFlagGeneratorPreview) = 1;
}

void GenerateButton(CScene& scene, int type)
{
    if (!ImGui::Button("Generate")) return;
    scene.Flag(kFlagGeneratorPreview) = 0;
    scene.GenerateObjects(type, kGeneratorCreate);
}

// "Physics Enable" (new objects are simulated) and the tab's "Colorful" on the title line.
void TitleLine(CScene& scene, const char* title, uint8_t& colorful)
{
    ImGui::Text("%s", title);
    ImGui::SameLine();
    CheckboxByte("Physics Enable", scene.Flag(kFlagPhysicsEnable));
    ImGui::SameLine();
    CheckboxByte("Colorful", colorful);
}

// ---------------------------------------------------------------------------
// "Generate Objects" tabs
// ---------------------------------------------------------------------------

void DrawDirectLineTab(CScene& scene)
{
    ObjectGeneratorSettings& g = scene.generator;
    TitleLine(scene, "Direct Line", g.lineColorful);
    bool changed = false;
    changed |= Slider("Length Object Num", g.lineLengthCount, kLineLengthCountRange, "%1.0f");
    changed |= Slider("Length Offset", g.lineLengthOffset, kLineOffsetRange, "m = %0.1f");
    changed |= Slider("Width Objects", g.lineWidthCount, kLineWidthCountRange, "%1.0f");
    changed |= Slider("Width Offset", g.lineWidthOffset, kLineOffsetRange, "m = %0.1f");
    changed |= Slider("Height", g.lineHeight, kStackHeightRange, "%1.0f");
    changed |= Slider("Height Offset", g.lineHeightOffset, kStackHeightOffsetRange, "%0.1f");
    changed |= Slider("Angle", g.lineAngle, kAngleRange, "%1.0f");
    changed |= CheckboxByte("Dynamic Orientation", g.lineDynamicOrientation);
    if (changed) PreviewAgain(scene, kGenerateDirectLine);
    GenerateButton(scene, kGenerateDirectLine);
}

void DrawCircleTab(CScene& scene)
{
    ObjectGeneratorSettings& g = scene.generator;
    TitleLine(scene, "Circle", g.circleColorful);
    bool changed = false;
    changed |= Slider("Radius", g.circleRadius, kCircleRadiusRange, "m = %0.1f");
    changed |= Slider("Object Num", g.circleObjectNum, kCircleObjectNumRange, "%1.0f");
    changed |= Slider("Start Angle Offset", g.circleStartAngleOffset, kAngleRange, "%1.0f");
    changed |= Slider("Full Angle", g.circleFullAngle, kAngleRange, "%1.0f");
    // Only stored: the spiral's own values keep theirs while it is off.
    CheckboxByte("Spiral", g.circleSpiral);
    {
        const DisabledUnless spiralOnly(g.circleSpiral != 0);
        changed |= Slider("Full Turn Num", g.circleFullTurnNum, kCircleFullTurnRange, "%1.0f");
        changed |= Slider("Radius Step", g.circleRadiusStep, kCircleRadiusStepRange, "%0.1f");
        changed |= CheckboxByte("Inverse", g.circleInverse);
    }
    changed |= Slider("Height", g.circleHeight, kStackHeightRange, "%1.0f");
    changed |= Slider("Height Offset", g.circleHeightOffset, kStackHeightOffsetRange, "%0.1f");
    changed |= Slider("Start Angle", g.circleStartAngle, kCircleStartAngleRange, "%1.0f");
    changed |= CheckboxByte("Dynamic Orientation", g.circleDynamicOrientation);
    if (changed) PreviewAgain(scene, kGenerateCircle);
    GenerateButton(scene, kGenerateCircle);
}

void DrawSplineTab(CScene& scene)
{
    static const char* const kCurveKinds[] = {"Line", "Bezier", "NURBS"};
    static const char* const kStepModes[] = {"Auto", "Fixed"};
    ObjectGeneratorSettings& g = scene.generator;
    TitleLine(scene, "Spline", g.splineColorful);
    bool changed = false;
    changed |= Slider("Max Segments", g.splineMaxSegments, kSplineMaxSegmentsRange, "%1.0f");
    changed |= Slider("Max X Step", g.splineMaxXStep, kSplineMaxStepRange, "%1.0f");
    changed |= Slider("Max Y Step", g.splineMaxYStep, kSplineMaxStepRange, "%1.0f");
    changed |= ComboByte("Line", g.splineCurveKind, kCurveKinds, 3);
    changed |= CheckboxByte("Rect Limits", g.splineRectLimits);
    {
        const DisabledUnless rectOnly(g.splineRectLimits != 0);
        changed |= Slider("Rect Limit Width", g.splineRectLimitWidth, kSplineRectLimitRange, "%1.0f");
        changed |= Slider("Rect Limit Height", g.splineRectLimitHeight, kSplineRectLimitRange, "%1.0f");
    }
    uint8_t& stepMode = scene.Flag(kFlagLineStepMode);
    changed |= ComboByte("Step", stepMode, kStepModes, 2);
    {
        const DisabledUnless fixedOnly(stepMode != 0);
        changed |= Slider("Fixed Step", g.fixedStep, kFixedStepRange, "ratio = %0.1f");
    }
    changed |= Slider("Height", g.splineHeight, kStackHeightRange, "%1.0f");
    changed |= Slider("Height Offset", g.splineHeightOffset, kStackHeightOffsetRange, "%0.1f");
    if (changed) PreviewAgain(scene, kGenerateSpline);
    GenerateButton(scene, kGenerateSpline);
    ImGui::SameLine(kSecondColumnX);
    if (ImGui::Button("ReGenerate")) {
        // A new random spline: the old one is forgotten before the preview.
        scene.Flag(kFlagGeneratorPreview) = 1;
        g.ReleaseGeneratedSpline();
        scene.GenerateObjects(kGenerateSpline, kGeneratorPreview);
    }
}

void DrawPerlinTab(CScene& scene)
{
    ObjectGeneratorSettings& g = scene.generator;
    ImGui::Text("Perlin");
    bool changed = false;
    changed |= CheckboxByte("Dynamic Preview", scene.Flag(kFlagDynamicPreview));
    ImGui::SameLine(kSecondColumnX);
    if (CheckboxByte("Randomize Noise", scene.Flag(kFlagRandomizeNoise))) {
        scene.RandomizePerlinTable();  // draws only when just turned on
        changed = true;
    }
    changed |= CheckboxByte("3D Noise", scene.Flag(kFlagNoise3D));
    ImGui::SameLine(kSecondColumnX);
    CheckboxByte("Physics Enable", scene.Flag(kFlagPerlinPhysics));
    changed |= Slider("Texture Size X", g.perlinTextureSizeX, kPerlinTextureSizeRange, "ratio = %1.0f");
    changed |= Slider("Texture Size Y", g.perlinTextureSizeY, kPerlinTextureSizeRange, "ratio = %1.0f");
    changed |= Slider("Scale", g.perlinScale, kPerlinScaleRange, "ratio = %1.0f");
    changed |= Slider("Octaves", g.perlinOctaves, kPerlinOctavesRange, "ratio = %1.0f");
    changed |= Slider("Persistence", g.perlinPersistence, kPerlinFactorRange, "ratio = %1.0f");
    changed |= Slider("Lacunarity", g.perlinLacunarity, kPerlinFactorRange, "ratio = %1.0f");
    changed |= Slider("Height", g.perlinHeight, kPerlinHeightRange, "ratio = %1.0f");
    changed |= Slider("Perlin Offset X", g.perlinOffsetX, kPerlinOffsetRange, "ratio = %1.0f");
    changed |= Slider("Perlin Offset Y", g.perlinOffsetY, kPerlinOffsetRange, "ratio = %1.0f");
    if (changed) {
        g.fieldDirty = 1;
        scene.GenerateObjects(kGeneratePerlin, kGeneratorPreview);
    }
    if (ImGui::Button("Create")) {
        scene.GenerateObjects(kGeneratePerlin, kGeneratorCreate);
        scene.Flag(kFlagToolBox) = 1;
    }
    ImGui::SameLine(kSecondColumnX);
    if (ImGui::Button("ReGenerate")) {
        // The position object is made anew from the current block type at its next draw.
        CNBObject::Delete(scene.positionObject);
        scene.positionObject = nullptr;
        // A new table whatever "Randomize Noise" says (RandomizePerlinTable
        // draws only while it is on): the button promises a new field.
        RandomizeNoiseTable();
        g.fieldDirty = 1;
        scene.GenerateObjects(kGeneratePerlin, kGeneratorPreview);
    }
}

}  // namespace

int AutoSceneRunCount(float iterations)
{
    if (!(iterations >= 1.0f)) return 0;  // also not a number
    return static_cast<int>(std::fmin(iterations, kAutoSceneIterationsRange.high));
}

// ---------------------------------------------------------------------------
// "Generate Objects"
// ---------------------------------------------------------------------------

void DrawGenerateObjectsWindow(CScene& scene)
{
    const float s = InterfaceScale();
    ImGui::SetNextWindowPos(ImVec2(0.0f, static_cast<float>(Settings.screenHeight) - 510.0f * s), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(480.0f * s, 495.0f * s), ImGuiCond_Always);
    const ScopedFont font("gui");
    ImGui::Begin("Generate Objects");
    ImGui::Text("Generate Objects");
    if (ImGui::BeginTabBar("MyTabBar")) {
        if (ImGui::BeginTabItem("Direct Line")) {
            DrawDirectLineTab(scene);
            ImGui::EndTabItem();
        }
        if (ImGui::BeginTabItem("Circle")) {
            DrawCircleTab(scene);
            ImGui::EndTabItem();
        }
        if (ImGui::BeginTabItem("Spline")) {
            DrawSplineTab(scene);
            ImGui::EndTabItem();
        }
        if (ImGui::BeginTabItem("Perlin")) {
            DrawPerlinTab(scene);
            ImGui::EndTabItem();
        }
        ImGui::EndTabBar();
    }
    ImGui::Text("Shift - Block camera rotation");
    if (ImGui::Button("Close", kCloseButtonSize)) {
        scene.GenerateObjects(kGenerateDirectLine, kGeneratorClear);
        scene.Flag(kFlagGenerateObjects) = 0;
        GiveMouseBackToScene(scene);
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Auto Scene Geenrator"
// ---------------------------------------------------------------------------

void DrawAutoSceneGeneratorWindow(CScene& scene)
{
    ImGui::SetNextWindowPos(ImVec2(0.0f, static_cast<float>(Settings.screenHeight) - 490.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(450.0f, 475.0f), ImGuiCond_Always);
    const ScopedFont font("gui");
    ImGui::Begin("Auto Scene Geenrator");
    ImGui::Text("Auto Scene Geenrator");
    Slider("Iterations", scene.generator.autoSceneIterations, kAutoSceneIterationsRange, "%1.0f");
    if (ImGui::Button("Generate")) {
        const int runs = AutoSceneRunCount(scene.generator.autoSceneIterations);
        for (int i = 0; i < runs; ++i) scene.GenerateAutoScene();
    }
    ImGui::Text("Shift - Block camera rotation");
    if (ImGui::Button("Close", kCloseButtonSize)) {
        scene.Flag(kFlagAutoSceneGenerator) = 0;
        scene.Flag(kFlagToolBox) = 1;
        GiveMouseBackToScene(scene);
    }
    ImGui::End();
}

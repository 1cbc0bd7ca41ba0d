// The property and option editors over a scene without a GPU: the selected
// object's material (also onto its namesakes) and scale, nothing selected,
// the sun, and the option sliders' ranges and the camera planes. Values are
// typed into the sliders through Dear ImGui's own text entry.
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "support/editor_window_driver.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "ui/editor_windows.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

using testing_support::FrameText;
using testing_support::ImGuiTestFrame;
using testing_support::TypeIntoSlider;

namespace {

class PropertyEditors : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedSettings_ = Settings;
        Settings.screenWidth = 1440;
        Settings.screenHeight = 900;
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->InitPhysicsWorld();
    }

    void TearDown() override
    {
        delete scene_->world;
        scene_->world = nullptr;
        scene_.reset();
        Settings = savedSettings_;
        LightPosition = savedLight_;
    }

    CWorld& World() { return *scene_->world; }

    // An object made from a cube block type named `typeName` (so its mesh
    // keeps unscaled positions), in the world with the given diffuse red.
    CNBObject* AddOfType(const char16_t* typeName, float diffuseRed = 0.5f)
    {
        MakeCubeType(cube_, typeName);
        CNBObject* object = scene_->CreateObjectFromBlockType(&cube_, 1, 1, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
        if (object) object->Diffuse = Vector4{{diffuseRed, 0.5f, 0.5f, 1.0f}};
        return object;
    }

    // Selects the object as picking does: its colours become the edited values.
    void Select(CNBObject* object)
    {
        scene_->selectedObject = object;
        const Vector4* colours[3] = {&object->Ambient, &object->Diffuse, &object->Specular};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 4; ++k) scene_->selectedObjectProperties[4 * c + k] = colours[c]->v[k];
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    StartupSetup savedSettings_;
    Vector3 savedLight_ = LightPosition;
    BlockType cube_;
    std::unique_ptr<CScene> scene_;
    ImGuiTestFrame ui_{1440.0f, 900.0f};
    const std::function<void()> drawObject_ = [this] { DrawObjectPropertiesWindow(*scene_); };
    const std::function<void()> drawSun_ = [this] { DrawSunPropertiesWindow(*scene_); };
    const std::function<void()> drawCamera_ = [this] { DrawCameraOptionsWindow(*scene_); };
    const std::function<void()> drawMisc_ = [this] { DrawMiscOptionsWindow(*scene_); };
};

TEST_F(PropertyEditors, ApplyToAllSimilarRecoloursNamesakesOnly)
{
    CNBObject* chosen = AddOfType(u"crate", 0.1f);
    CNBObject* namesake = AddOfType(u"crate", 0.2f);
    CNBObject* other = AddOfType(u"barrel", 0.3f);
    ASSERT_TRUE(chosen && namesake && other);
    Select(chosen);
    ui_.Frame(drawObject_);

    // Off: only the selected object changes.
    TypeIntoSlider(ui_, "Object Properties", {"Diffuse Red"}, "0.6", drawObject_);
    EXPECT_FLOAT_EQ(chosen->Diffuse.v[0], 0.6f);
    EXPECT_FLOAT_EQ(namesake->Diffuse.v[0], 0.2f);

    ui_.ClickAndFrame("Object Properties", {"Apply To All Similar"}, drawObject_);
    ASSERT_TRUE(scene_->FlagOn(kFlagCopyMaterialByName));
    TypeIntoSlider(ui_, "Object Properties", {"Diffuse Red"}, "0.8", drawObject_);
    EXPECT_FLOAT_EQ(chosen->Diffuse.v[0], 0.8f);
    EXPECT_FLOAT_EQ(namesake->Diffuse.v[0], 0.8f);
    EXPECT_FLOAT_EQ(other->Diffuse.v[0], 0.3f);
}

TEST_F(PropertyEditors, ScaleYRescalesWithTheCurrentXAndZ)
{
    CNBObject* object = AddOfType(u"cube");
    ASSERT_NE(object, nullptr);
    scene_->ScaleObject(object, 2.0f, 1.0f, 0.5f);
    Select(object);
    ui_.Frame(drawObject_);
    TypeIntoSlider(ui_, "Object Properties", {"Scale Object Y"}, "3", drawObject_);

    EXPECT_FLOAT_EQ(object->Scale.x, 2.0f);
    EXPECT_FLOAT_EQ(object->Scale.y, 3.0f);
    EXPECT_FLOAT_EQ(object->Scale.z, 0.5f);
    const CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
    EXPECT_FLOAT_EQ(mesh->positions[3].x, 2.0f * mesh->unscaledPositions[3].x);
    EXPECT_FLOAT_EQ(mesh->positions[3].y, 3.0f * mesh->unscaledPositions[3].y);
}

TEST_F(PropertyEditors, NothingSelectedDrawsAndEditsNothing)
{
    CNBObject* bystander = AddOfType(u"crate", 0.25f);
    ui_.Frame(drawObject_);
    EXPECT_TRUE(ImGuiTestFrame::WindowShown("Object Properties"));
    TypeIntoSlider(ui_, "Object Properties", {"Diffuse Red"}, "0.9", drawObject_);
    TypeIntoSlider(ui_, "Object Properties", {"Scale Object X"}, "4", drawObject_);
    EXPECT_FLOAT_EQ(bystander->Diffuse.v[0], 0.25f);
    EXPECT_FLOAT_EQ(bystander->Scale.x, 1.0f);
}

TEST_F(PropertyEditors, SunSlidersMoveTheLightAndSetTheColours)
{
    ui_.Frame(drawSun_);
    TypeIntoSlider(ui_, "Sun Properties", {"Azimuth"}, "0", drawSun_);
    TypeIntoSlider(ui_, "Sun Properties", {"Zenith"}, "90", drawSun_);
    EXPECT_FLOAT_EQ(World().sunAngleA, 90.0f);
    EXPECT_NEAR(LightPosition.x, 500.0f, 1e-2f);
    EXPECT_NEAR(LightPosition.y, 0.0f, 1e-2f);
    TypeIntoSlider(ui_, "Sun Properties", {"Zenith"}, "400", drawSun_);
    EXPECT_FLOAT_EQ(World().sunAngleA, 90.0f) << "clamped to the slider's range";
}

TEST_F(PropertyEditors, CameraPlanesStayInRangeFiniteAndApart)
{
    ui_.Frame(drawCamera_);
    TypeIntoSlider(ui_, "Camera Options", {"Camera Near Dist"}, "-1e99", drawCamera_);
    EXPECT_FLOAT_EQ(scene_->options.nearPlane, 0.1f);
    TypeIntoSlider(ui_, "Camera Options", {"Camera Far Dist"}, "1e99", drawCamera_);
    EXPECT_FLOAT_EQ(scene_->options.farPlane, 1000.0f);

    // A world that brought a tiny far plane: a near plane beyond it is refused.
    scene_->options.farPlane = 0.5f;
    TypeIntoSlider(ui_, "Camera Options", {"Camera Near Dist"}, "0.9", drawCamera_);
    EXPECT_FLOAT_EQ(scene_->options.nearPlane, 0.1f);
    EXPECT_LT(scene_->options.nearPlane, scene_->options.farPlane);
}

TEST_F(PropertyEditors, MiscOptionsClampAndPrecisionShowsTheQualityInForce)
{
    ui_.Frame(drawMisc_);
    TypeIntoSlider(ui_, "Misc Options", {"Time of simulation"}, "0", drawMisc_);
    EXPECT_FLOAT_EQ(scene_->options.physicsTimeScale, 1.0f);

    // A change of the quality made elsewhere (another world, say) shows at once.
    EXPECT_NE(FrameText(ui_, drawMisc_).find("Normal"), std::string::npos);
    scene_->Flag(kFlagPhysicsQuality) = 2;
    EXPECT_NE(FrameText(ui_, drawMisc_).find("Very High"), std::string::npos);
    ui_.ClickAndFrame("Misc Options", {"Precision"}, drawMisc_);
    ui_.ClickAndFrame("##Combo_00", {1, "High"}, drawMisc_);
    EXPECT_EQ(scene_->Flag(kFlagPhysicsQuality), 1);
}

}  // namespace

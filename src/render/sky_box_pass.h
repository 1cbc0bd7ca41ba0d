// The sky box pass (CScene::RenderSkyBox, sky_box_pass.cpp): the world's sky
// mesh - four sides, a top and a bottom of a cube around the viewer - drawn
// once per frame right after the target is cleared and before the object
// passes, with "skybox.fx" and the pictures "skybox_side.jpg",
// "skybox_top.jpg" and "skybox_bottom.jpg" of the world's textures. The
// effect centres the cube on the eye and keeps it behind everything drawn
// later. A world without a sky mesh gets no sky and no state change; a
// missing picture leaves the one bound before in place for its draw.
#pragma once

#include "render/constant_buffers.h"

class CCamera;
struct Vector3;

// "ConstantBufferSkyBox" for the camera, the light at `light`: the unit cube
// of the sky mesh scaled to 250.
ConstantBufferSkyBox SkyBoxConstants(const CCamera& camera, const Vector3& light);

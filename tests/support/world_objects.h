// Small scene objects for world and sector tests: one part whose main mesh
// carries a given local box, placed by a translation.
#pragma once

#include "core/vector3.h"

class CNBObject;
struct BlockType;

// A new object (on CNBObject's heap) with one part whose main mesh has the
// local box [low, high], its WorldMatrix translated to `at` and its Center
// at `at`. The caller owns it (CNBObject::Delete) until a world takes it.
CNBObject* NewBoxObject(const Vector3& at, const Vector3& low = Vector3{-1.0f, -1.0f, -1.0f},
                        const Vector3& high = Vector3{1.0f, 1.0f, 1.0f});

// Moves an object: translation of WorldMatrix and Center.
void PlaceObject(CNBObject& object, const Vector3& at);

// A unit cube block type centred on its origin, named `name`; with a unit
// box body of mass 1 when `boxBody`.
void MakeCubeType(BlockType& type, const char16_t* name = u"cube", bool boxBody = true);

// Sector: a cell of the world's space. An object belongs to the nearest of
// the sector centres close enough to reach it. Each sector bounds its objects (a box and a sphere)
// and records which render-set slots any of them uses, so culling, picking
// and collision can pass over a whole cell at once. ObjectLabel is one
// entry of the per-frame label list. The world's sector operations
// (RecreateSectors, AssignSectors, PutObjectInSector, ReassignObject,
// UpdateObjectSectors, RemoveObject, ProjectLabels) live in sector.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "core/vector3.h"
#include "world/vertex_formats.h"

class CNBObject;
struct PieceGroup;

// The nearest sector takes an object only when the squared distance between
// their centres is below this (5000 units); otherwise none does.
inline constexpr float kSectorReachSquared = 2.5e7f;
// Objects whose centre y lies strictly below this are deleted by AssignSectors.
inline constexpr float kFallOutHeight = -2000.0f;

// Made with new (general heap); owned by the world's sectors.
class Sector {
public:
    Sector() = default;
    ~Sector() { Release(); }
    Sector(const Sector&) = delete;
    Sector& operator=(const Sector&) = delete;

    // Frees the storage of `objects` (not the objects).
    void Release();
    // Erases the first entry equal to object; absent: nothing.
    void RemoveObject(const CNBObject* object);
    // Box, centre and radius over every object's part meshes. Without any
    // mesh the box keeps its start values (+/-FLT_MAX), the centre is
    // (0, 0, 0) and the radius FLT_MAX.
    void UpdateBounds();
    // Grows the box by one object's meshes, then centre and radius. Null does nothing.
    void ExtendBounds(const CNBObject* object);
    // renderFlags = the union of the objects' RenderFlags.
    void UpdateRenderFlags();

    uint8_t sectorFlag = 0;
    int32_t reserved0 = 0;             // written to world files, not read back
    std::vector<CNBObject*> objects;   // borrowed, in assignment order
    uint8_t activeFlag = 1;
    Vector3 boundsMin;
    Vector3 boundsMax;
    Vector3 storedBoundsMin;           // as read from a world file
    Vector3 storedBoundsMax;
    Vector3 boundsCentre;              // centre of the culling sphere
    Vector3 position;                  // centre for assignment
    float radius = 0.0f;
    float storedRadius = 0.0f;         // as read from a world file; 0 otherwise
    float scale = 1.0f;                // applied to the radius by culling
    uint8_t visible = 0;               // set each frame by view culling
    uint8_t shadowVisible = 0;         // set by shadow-cascade culling
    uint8_t detailLevel = 0;           // 0, 1 or 2, set by view culling
    int32_t sectorId = -1;             // stored with the sector in world files
    uint8_t renderFlags[kVertexFormatSlots] = {};

private:
    // Extends the box by the object's meshes; true when anything did.
    bool ExtendBoxBy(const CNBObject& object);
    // Centre and radius from the box; an empty (inverted) box gets centre 0
    // and radius FLT_MAX.
    void FinishBounds();
};

// One entry of the label list: an object's own label (group null) or one of
// its piece groups, with the projected depth.
struct ObjectLabel {
    CNBObject* object = nullptr;
    PieceGroup* group = nullptr;
    float depth = 0.0f;
};

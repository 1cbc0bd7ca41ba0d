// Sections: construction and destruction; look-ups; lines. The sector
// operations are in sector.cpp, the GPU objects in world_gpu.cpp and the
// ground in ground.cpp.
#include "world/world.h"

#include <algorithm>
#include <new>
#include <string_view>

#include "core/name_key.h"
#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"

namespace {

// Windows virtual-key codes of the world's key table, slot by slot.
constexpr int32_t kDefaultKeys[kKeyTableSlots] = {
    'W', 'S', 'A', 'D', 'E', 'Q',                         // 0-5
    0x26, 0x28, 0x25, 0x27, 0x21, 0x22,                   // 6-11: arrows, page up, page down
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,  // 12-21: '0'-'9'
    0x3130,                                               // 22
    'C', 0x2E, 'T', 'Y', 'N', 'G', 'S', 'B',              // 23-30
    0,                                                    // 31
    'T', 'P', 'J', 'K', 'L',                              // 32-36
    0x70, 0x71, 0x72, 0x73, 0x74,                         // 37-41: F1-F5
    0x76, 0x77, 0x78,                                     // 42-44: F7-F9
    0x7A,                                                 // 45: F11
    0xBF,                                                 // 46
    0x75,                                                 // 47: F6
    0,                                                    // 48
    0xBB,                                                 // 49
};

constexpr const char16_t* kDefaultQuickBarNames[] = {
    u"BoxWhite",   u"BoxYellow",  u"BoxRed",      u"GreenBall 0.5m", u"RedBall 0.5m",
    u"WhiteBall 0.5m", u"TitleBlack", u"TitleGreen", u"TitleYellow", u"Plate 1mX2m",
};

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction
// ---------------------------------------------------------------------------

CWorld::CWorld()
{
    cameraMatrix.SetIdentity();
    std::copy(std::begin(kDefaultKeys), std::end(kDefaultKeys), keyTable);
    LightingPreset& first = lightingPresets[0];
    first.lightPosition = Vector3{500.0f, 500.0f, 500.0f};
    first.lightDirection = Vector3{-1.0f, -1.0f, -1.0f};
    for (int i = 1; i < kLightingPresets; ++i) lightingPresets[i] = first;
}

CWorld::~CWorld()
{
    for (Sector*& sector : sectors) {
        delete sector;
        sector = nullptr;
    }
    sectors.clear();

    if (previewObject == modelViewObject) previewObject = nullptr;  // never freed twice
    CNBObject::Delete(modelViewObject);
    modelViewObject = nullptr;
    CNBObject::Delete(previewObject);
    previewObject = nullptr;

    drawingLine = nullptr;
    selectedLine = nullptr;
    for (CLine* line : lines) delete line;
    lines.clear();

    for (CNBObject* object : objects) CNBObject::Delete(object);
    objects.clear();
    labels.clear();

    ReleaseResources();

    quickBar.clear();
    currentBlockType = nullptr;
    pickedBlockType = nullptr;
    for (BlockType* type : blockTypes) delete type;
    blockTypes.clear();
}

void CWorld::Clear()
{
    // Every object goes, so none is searched for in the lists: they are
    // emptied first, then each object is forgotten (the removal hook, in list
    // order) and deleted in turn, as RemoveObject would.
    std::vector<CNBObject*> going;
    going.swap(objects);
    labels.clear();
    for (Sector* sector : sectors)
        if (sector) sector->objects.clear();
    for (CNBObject* object : going) {
        if (!object) continue;
        if (objectRemovedHook) objectRemovedHook(objectRemovedContext, object);
        CNBObject::Delete(object);
    }
    // The cells stay: a world without sectors would leave every object made
    // afterwards unsorted, and unsorted objects are never drawn.
    for (Sector* sector : sectors) {
        if (!sector) continue;
        sector->UpdateBounds();
        sector->UpdateRenderFlags();
    }
    drawingLine = nullptr;
    selectedLine = nullptr;
    for (CLine* line : lines) delete line;
    lines.clear();
    labels.clear();
}

// ---------------------------------------------------------------------------
// Look-ups
// ---------------------------------------------------------------------------

CTexture* CWorld::FindTexture(const std::vector<CTexture*>& list, const char16_t* name)
{
    if (!name) return nullptr;
    const std::u16string_view query(name);
    const uint32_t hash = NameHash(query);
    for (CTexture* texture : list)
        if (texture && texture->nameHash == hash && texture->name == query) return texture;
    return nullptr;
}

void CWorld::SortTextures()
{
    // Stable, so equal names keep their order; null entries go last.
    std::stable_sort(textures.begin(), textures.end(), [](const CTexture* a, const CTexture* b) {
        return a && (!b || a->name < b->name);
    });
}

void CWorld::LinkObjectTextures(CNBObject* object)
{
    if (!object) return;
    for (int i = 0; i < object->PartCount; ++i) {
        const ObjectPart* part = object->GetPart(i);
        if (!part || !part->mainMesh) continue;
        CPolygonsGrid* mesh = part->mainMesh;
        mesh->textures[0] = FindTexture(mesh->textureNames[0].name.c_str());
    }
}

void CWorld::LinkTextures()
{
    for (CNBObject* object : objects) LinkObjectTextures(object);
    LinkObjectTextures(previewObject);
}

BlockType* CWorld::FindBlockType(const char16_t* name) const
{
    if (!name) return nullptr;
    const std::u16string query = ToLowerWide(std::u16string_view(name));
    for (BlockType* type : blockTypes)
        if (type && ToLowerWide(type->name) == query) return type;
    return nullptr;
}

void CWorld::BuildDefaultQuickBar()
{
    quickBar.clear();
    for (const char16_t* name : kDefaultQuickBarNames)
        if (BlockType* type = FindBlockType(name)) quickBar.push_back(type);
}

void CWorld::ChooseQuickBarTool(int slot)
{
    if (slot < 0 || static_cast<size_t>(slot) >= quickBar.size() || !quickBar[static_cast<size_t>(slot)]) return;
    currentBlockType = quickBar[static_cast<size_t>(slot)];
    quickBarSlot = slot;
}

// ---------------------------------------------------------------------------
// Lines
// ---------------------------------------------------------------------------

void CWorld::BeginLine()
{
    if (drawingLine) {
        drawingLine = nullptr;
        return;
    }
    CLine* line = new CLine;  // null when the line's heap has no room
    if (!line) return;
    line->driver = driver;
    try {
        lines.push_back(line);
    } catch (const std::bad_alloc&) {
        delete line;
        return;
    }
    drawingLine = line;
}

CLine* CWorld::GetActiveLine() const
{
    for (CLine* line : lines)
        if (line && line->active) return line;
    return nullptr;
}

void CWorld::EraseLine(size_t index)
{
    CLine* line = lines[index];
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
    if (drawingLine == line) drawingLine = nullptr;
    if (selectedLine == line) selectedLine = nullptr;
    delete line;
}

void CWorld::RemoveLines()
{
    for (size_t i = 0; i < lines.size();) {
        const CLine* line = lines[i];
        if (line && (line->active || line == selectedLine)) EraseLine(i);  // the next line moves into slot i
        else ++i;
    }
}

void CWorld::DeleteLine(CLine* line)
{
    if (!line) return;
    const auto it = std::find(lines.begin(), lines.end(), line);
    if (it != lines.end()) EraseLine(static_cast<size_t>(it - lines.begin()));
}

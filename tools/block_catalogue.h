// The block types the program ships, shared by the two generators that make
// them: make_blocks writes one ".bk" file per entry into "Blocks", and
// make_textures paints each entry's texture into "Textures". Keeping both on
// one table means a block never names a texture that is not shipped.
//
// Sizes are full extents in metres along x, y and z, centred on the origin
// (the cone and the cylinder stand along y). Colours are 0-255 sRGB.
#pragma once

#include <cstdint>
#include <iterator>

namespace catalogue {

enum class Shape {
    Box,       // six flat faces, physics cube with half extents
    Sphere,    // smooth ball, physics sphere of radius size x / 2
    Cylinder,  // standing along y, physics cylinder (radius, half height)
    Cone,      // apex up, physics cone (radius, height)
    Stairs,    // three steps rising towards +z, a concave triangle-mesh body
    BentPole,  // a tall column that bends in the middle: bone animation
};

// How make_textures paints the block's texture.
enum class Look {
    Crate,        // coloured box face with a bevelled frame
    Ball,         // coloured ball with an equator and two meridian seams
    Tile,         // glazed tile of four squares with grout lines
    Plate,        // brushed metal with rivets
    Beam,         // painted wood, grain along u
    Biome,        // atlas: left half the top (biome colour), right half the side (soil under a biome-coloured rim)
    Barrel,       // metal drum with ribs
    TrafficCone,  // orange with white bands
    Concrete,     // grey concrete
    Glass,        // tinted glass with a bright frame, mostly transparent
    Pole,         // red and white survey-pole bands along v
};

struct Rgb {
    uint8_t r, g, b;
};

struct Block {
    const char* name;     // the name the program looks the block type up by
    const char* file;     // file name in "Blocks"
    const char* texture;  // lower-case file name in "Textures"
    Shape shape;
    float size[3];
    float mass;
    Look look;
    Rgb colour;           // main colour of the texture
    Rgb second;           // second colour (soil of a biome cube, bands, grout)
    bool glass;           // drawn as glass (VertexFormat 0x1401)
    bool phong;           // smooth shading; flat ("lambert") otherwise
};

// The nine landscape biomes: the colour of the biome map texel and the block
// type the landscape generator puts there. The biome graph picture holds
// exactly these colours.
struct Biome {
    Rgb colour;
    const char* blockName;
};

inline constexpr Biome kBiomes[] = {
    {{35, 114, 94}, "CubeBorealForest"},
    {{34, 61, 53}, "CubeTemperateRoainforest"},
    {{33, 77, 41}, "CubeRainforest"},
    {{68, 179, 106}, "CubeTemperateForest"},
    {{106, 144, 38}, "CubeSeasonalForest"},
    {{190, 255, 242}, "CubeTundra"},
    {{184, 200, 98}, "CubeSavanna"},
    {{188, 161, 53}, "CubeTropicalWoodland"},
    {{255, 255, 178}, "CubeDesert"},
};

// Index of each biome in kBiomes, for the graph layout.
enum BiomeIndex {
    kBorealForest,
    kTemperateRainforest,
    kRainforest,
    kTemperateForest,
    kSeasonalForest,
    kTundra,
    kSavanna,
    kTropicalWoodland,
    kDesert,
};


// clang-format off
inline constexpr Block kBlocks[] = {
    // Unit boxes: rooms and corridors of the tube-style scene, the QuickBar.
    {"BoxWhite",  "BoxWhite.bk",  "boxwhite.jpg",  Shape::Box, {1, 1, 1}, 5, Look::Crate, {232, 232, 226}, {170, 170, 165}, false, false},
    {"BoxYellow", "BoxYellow.bk", "boxyellow.jpg", Shape::Box, {1, 1, 1}, 5, Look::Crate, {238, 196, 42},  {160, 120, 20},  false, false},
    {"BoxRed",    "BoxRed.bk",    "boxred.jpg",    Shape::Box, {1, 1, 1}, 5, Look::Crate, {200, 44, 36},   {120, 20, 16},   false, false},
    {"BoxDark",   "BoxDark.bk",   "boxdark.jpg",   Shape::Box, {1, 1, 1}, 5, Look::Crate, {58, 58, 64},    {30, 30, 34},    false, false},
    {"BoxBlue",   "BoxBlue.bk",   "boxblue.jpg",   Shape::Box, {1, 1, 1}, 5, Look::Crate, {44, 86, 204},   {24, 46, 120},   false, false},
    {"BoxGreen",  "BoxGreen.bk",  "boxgreen.jpg",  Shape::Box, {1, 1, 1}, 5, Look::Crate, {52, 168, 64},   {26, 100, 34},   false, false},
    // Balls 0.5 m across.
    {"GreenBall 0.5m", "GreenBall_0.5m.bk", "greenball.jpg", Shape::Sphere, {0.5f, 0.5f, 0.5f}, 1, Look::Ball, {60, 178, 60},   {235, 240, 230}, false, true},
    {"RedBall 0.5m",   "RedBall_0.5m.bk",   "redball.jpg",   Shape::Sphere, {0.5f, 0.5f, 0.5f}, 1, Look::Ball, {210, 40, 40},   {245, 235, 225}, false, true},
    {"WhiteBall 0.5m", "WhiteBall_0.5m.bk", "whiteball.jpg", Shape::Sphere, {0.5f, 0.5f, 0.5f}, 1, Look::Ball, {240, 240, 238}, {150, 150, 160}, false, true},
    // Floor tiles 1 m x 1 m, 10 cm thick.
    {"TitleBlack",  "TitleBlack.bk",  "titleblack.jpg",  Shape::Box, {1, 0.1f, 1}, 2, Look::Tile, {28, 28, 32},   {110, 110, 112}, false, false},
    {"TitleGreen",  "TitleGreen.bk",  "titlegreen.jpg",  Shape::Box, {1, 0.1f, 1}, 2, Look::Tile, {40, 140, 72},  {210, 215, 205}, false, false},
    {"TitleYellow", "TitleYellow.bk", "titleyellow.jpg", Shape::Box, {1, 0.1f, 1}, 2, Look::Tile, {232, 192, 44}, {120, 96, 40},   false, false},
    // A flat metal plate, 1 m x 2 m, 5 cm thick.
    {"Plate 1mX2m", "Plate_1mX2m.bk", "plate.jpg", Shape::Box, {1, 0.05f, 2}, 3, Look::Plate, {166, 170, 176}, {96, 100, 108}, false, true},
    // Beams of the automatic scene's tower: 2 m long along x, 0.4 m square,
    // so two rows of beams 0.8 x 2 m apart carry a cross row at +-0.4 x 2 m.
    {"DemoBlockColor1", "DemoBlockColor1.bk", "democolor1.jpg", Shape::Box, {2, 0.4f, 0.4f}, 2, Look::Beam, {214, 96, 40},  {150, 60, 22}, false, false},
    {"DemoBlockColor2", "DemoBlockColor2.bk", "democolor2.jpg", Shape::Box, {2, 0.4f, 0.4f}, 2, Look::Beam, {40, 156, 168}, {22, 96, 110}, false, false},
    // The nine landscape cubes (colours of the biome table).
    {"CubeBorealForest",         "CubeBorealForest.bk",         "cube_borealforest.jpg",       Shape::Box, {1, 1, 1}, 10, Look::Biome, {35, 114, 94},   {96, 78, 58},   false, false},
    {"CubeTemperateRoainforest", "CubeTemperateRoainforest.bk", "cube_temperaterainforest.jpg", Shape::Box, {1, 1, 1}, 10, Look::Biome, {34, 61, 53},    {78, 60, 44},   false, false},
    {"CubeRainforest",           "CubeRainforest.bk",           "cube_rainforest.jpg",         Shape::Box, {1, 1, 1}, 10, Look::Biome, {33, 77, 41},    {102, 62, 40},  false, false},
    {"CubeTemperateForest",      "CubeTemperateForest.bk",      "cube_temperateforest.jpg",    Shape::Box, {1, 1, 1}, 10, Look::Biome, {68, 179, 106},  {112, 82, 54},  false, false},
    {"CubeSeasonalForest",       "CubeSeasonalForest.bk",       "cube_seasonalforest.jpg",     Shape::Box, {1, 1, 1}, 10, Look::Biome, {106, 144, 38},  {120, 88, 56},  false, false},
    {"CubeTundra",               "CubeTundra.bk",               "cube_tundra.jpg",             Shape::Box, {1, 1, 1}, 10, Look::Biome, {190, 255, 242}, {104, 100, 96}, false, false},
    {"CubeSavanna",              "CubeSavanna.bk",              "cube_savanna.jpg",            Shape::Box, {1, 1, 1}, 10, Look::Biome, {184, 200, 98},  {150, 104, 60}, false, false},
    {"CubeTropicalWoodland",     "CubeTropicalWoodland.bk",     "cube_tropicalwoodland.jpg",   Shape::Box, {1, 1, 1}, 10, Look::Biome, {188, 161, 53},  {140, 92, 52},  false, false},
    {"CubeDesert",               "CubeDesert.bk",               "cube_desert.jpg",             Shape::Box, {1, 1, 1}, 10, Look::Biome, {255, 255, 178}, {214, 190, 120}, false, false},
    // Further shapes: a drum, a traffic cone, concrete stairs (a concave
    // mesh body), a glass cube and a bending pole with two bones.
    {"Barrel 0.5m",    "Barrel_0.5m.bk",   "barrel.jpg",      Shape::Cylinder, {0.5f, 0.8f, 0.5f}, 4,  Look::Barrel,      {190, 52, 36},   {120, 30, 20},   false, true},
    {"TrafficCone 1m", "TrafficCone_1m.bk", "trafficcone.jpg", Shape::Cone,     {0.6f, 1.0f, 0.6f}, 2,  Look::TrafficCone, {248, 110, 20},  {245, 245, 240}, false, true},
    {"Stairs 3 Steps", "Stairs_3_Steps.bk", "concrete.jpg",    Shape::Stairs,   {1, 0.9f, 1.2f},    20, Look::Concrete,    {150, 150, 146}, {100, 100, 98},  false, false},
    {"GlassBox",       "GlassBox.bk",       "glass.dds",       Shape::Box,      {1, 1, 1},          5,  Look::Glass,       {176, 214, 240}, {240, 248, 255}, true,  true},
    {"BendingPole 2m", "BendingPole_2m.bk", "pole.jpg",        Shape::BentPole, {0.2f, 2.0f, 0.2f}, 0,  Look::Pole,        {214, 36, 36},   {245, 245, 245}, false, false},
};
// clang-format on

inline constexpr size_t kBlockCount = std::size(kBlocks);

}  // namespace catalogue

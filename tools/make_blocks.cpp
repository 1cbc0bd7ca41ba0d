// make_blocks: writes the block library, one ".bk" text file per block type of
// block_catalogue.h, into a folder.
//
//   make_blocks <folder>
//
// Meshes follow the program's conventions: left-handed coordinates with y up,
// triangles wound clockwise seen from outside (so (b - a) x (c - a) points
// out of the body), one normal per vertex, and one texture coordinate pair per
// triangle corner with v = 0 at the top of the picture. Every number is
// written in plain decimal notation: the block reader takes "1e-05" as the
// two numbers 1 and -05.
//
// Index: mesh building - shapes - bone animation - writing - main
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "block_catalogue.h"
#include "generator_support.h"

namespace {

using namespace generator;

// ---------------------------------------------------------------------------
// Mesh building
// ---------------------------------------------------------------------------

struct Uv {
    double u = 0, v = 0;
};

// A rectangle of the picture: (u0, v0) top-left, (u1, v1) bottom-right.
struct UvRect {
    double u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

struct Weight {
    int vertex;
    int bone;
    double weight;
};

struct Mesh {
    std::vector<V3> positions;
    std::vector<V3> normals;
    std::vector<std::array<int, 3>> triangles;
    std::vector<Uv> corners;  // three per triangle, in triangle order
    std::vector<Weight> weights;

    int AddVertex(V3 position, V3 normal)
    {
        positions.push_back(position);
        normals.push_back(Normalised(normal));
        return static_cast<int>(positions.size()) - 1;
    }

    // Adds a triangle wound so that it faces `outward`.
    void AddTriangle(int a, int b, int c, Uv ua, Uv ub, Uv uc, V3 outward)
    {
        const V3 facing = Cross(positions[b] - positions[a], positions[c] - positions[a]);
        if (Dot(facing, outward) < 0) {
            std::swap(b, c);
            std::swap(ub, uc);
        }
        triangles.push_back({a, b, c});
        corners.insert(corners.end(), {ua, ub, uc});
    }

    // A flat quad: c0 bottom-left, c1 top-left, c2 top-right, c3 bottom-right
    // seen from outside, mapped onto `rect`; triangles (c0, c1, c2), (c0, c2, c3).
    void AddQuad(V3 c0, V3 c1, V3 c2, V3 c3, V3 normal, UvRect rect = {})
    {
        const int i0 = AddVertex(c0, normal), i1 = AddVertex(c1, normal);
        const int i2 = AddVertex(c2, normal), i3 = AddVertex(c3, normal);
        const Uv u0{rect.u0, rect.v1}, u1{rect.u0, rect.v0}, u2{rect.u1, rect.v0}, u3{rect.u1, rect.v1};
        AddTriangle(i0, i1, i2, u0, u1, u2, normal);
        AddTriangle(i0, i2, i3, u0, u2, u3, normal);
    }
};

// ---------------------------------------------------------------------------
// Shapes
// ---------------------------------------------------------------------------
enum Face { kFront, kRight, kBack, kLeft, kTop, kBottom, kFaceCount };

// An axis-aligned box centred on `centre`; the corner order of each face is
// the one the world uses for its own boxes.
void AddBox(Mesh& mesh, V3 centre, V3 half, const std::array<UvRect, kFaceCount>& rects)
{
    const double x = half.x, y = half.y, z = half.z;
    auto p = [&](double px, double py, double pz) { return centre + V3{px, py, pz}; };
    mesh.AddQuad(p(-x, -y, -z), p(-x, y, -z), p(x, y, -z), p(x, -y, -z), {0, 0, -1}, rects[kFront]);
    mesh.AddQuad(p(x, -y, -z), p(x, y, -z), p(x, y, z), p(x, -y, z), {1, 0, 0}, rects[kRight]);
    mesh.AddQuad(p(x, -y, z), p(x, y, z), p(-x, y, z), p(-x, -y, z), {0, 0, 1}, rects[kBack]);
    mesh.AddQuad(p(-x, -y, z), p(-x, y, z), p(-x, y, -z), p(-x, -y, -z), {-1, 0, 0}, rects[kLeft]);
    mesh.AddQuad(p(-x, y, -z), p(-x, y, z), p(x, y, z), p(x, y, -z), {0, 1, 0}, rects[kTop]);
    mesh.AddQuad(p(-x, -y, z), p(-x, -y, -z), p(x, -y, -z), p(x, -y, z), {0, -1, 0}, rects[kBottom]);
}

Mesh Box(const catalogue::Block& block)
{
    std::array<UvRect, kFaceCount> rects{};
    if (block.look == catalogue::Look::Biome) {
        // Top from the left half of the atlas, sides from the right half with
        // the rim at the top, the bottom from the soil below the rim. Kept
        // clear of the seam so filtering does not bleed across it.
        const UvRect top{0.02, 0.02, 0.48, 0.98}, side{0.52, 0.0, 0.98, 1.0}, bottom{0.52, 0.6, 0.98, 0.98};
        rects = {side, side, side, side, top, bottom};
    } else if (block.look == catalogue::Look::Plate) {
        // The picture is square: repeat it along the plate's long side.
        const double repeat = block.size[2] / block.size[0];
        rects[kTop] = rects[kBottom] = UvRect{0, 0, 1, repeat};
    }
    Mesh mesh;
    AddBox(mesh, {}, V3{block.size[0], block.size[1], block.size[2]} * 0.5, rects);
    return mesh;
}

Mesh Sphere(double radius)
{
    constexpr int kSegments = 24, kRings = 16;
    Mesh mesh;
    std::vector<std::vector<int>> index(kRings + 1, std::vector<int>(kSegments + 1));
    for (int r = 0; r <= kRings; ++r) {
        const double theta = kPi * r / kRings;
        for (int s = 0; s <= kSegments; ++s) {
            const double phi = 2 * kPi * s / kSegments;
            const V3 n{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            index[r][s] = mesh.AddVertex(n * radius, n);
        }
    }
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            const int a = index[r][s], b = index[r][s + 1], c = index[r + 1][s + 1], d = index[r + 1][s];
            const Uv ua{double(s) / kSegments, double(r) / kRings}, ub{double(s + 1) / kSegments, ua.v};
            const Uv uc{ub.u, double(r + 1) / kRings}, ud{ua.u, uc.v};
            const V3 out = mesh.positions[a] + mesh.positions[c];
            if (r != 0) mesh.AddTriangle(a, b, c, ua, ub, uc, out);  // the top ring's first triangle is a point
            if (r != kRings - 1) mesh.AddTriangle(a, c, d, ua, uc, ud, out);
        }
    }
    return mesh;
}

// A flat disc at height y facing `up` (+1 or -1), as a fan round a centre
// vertex, mapped onto the picture as a circle.
void AddDisc(Mesh& mesh, double radius, double y, double up, int segments)
{
    const V3 normal{0, up, 0};
    const int centre = mesh.AddVertex({0, y, 0}, normal);
    std::vector<int> rim;
    for (int s = 0; s <= segments; ++s) {
        const double phi = 2 * kPi * s / segments;
        rim.push_back(mesh.AddVertex({radius * std::cos(phi), y, radius * std::sin(phi)}, normal));
    }
    auto uv = [&](int s) {
        const double phi = 2 * kPi * s / segments;
        return Uv{0.5 + 0.5 * std::cos(phi), 0.5 + 0.5 * std::sin(phi)};
    };
    for (int s = 0; s < segments; ++s)
        mesh.AddTriangle(centre, rim[s], rim[s + 1], {0.5, 0.5}, uv(s), uv(s + 1), normal);
}

Mesh Cylinder(double radius, double halfHeight)
{
    constexpr int kSegments = 24;
    Mesh mesh;
    std::vector<int> top, bottom;
    for (int s = 0; s <= kSegments; ++s) {
        const double phi = 2 * kPi * s / kSegments;
        const V3 n{std::cos(phi), 0, std::sin(phi)};
        top.push_back(mesh.AddVertex({n.x * radius, halfHeight, n.z * radius}, n));
        bottom.push_back(mesh.AddVertex({n.x * radius, -halfHeight, n.z * radius}, n));
    }
    for (int s = 0; s < kSegments; ++s) {
        const double u0 = double(s) / kSegments, u1 = double(s + 1) / kSegments;
        const V3 out = mesh.normals[top[s]] + mesh.normals[top[s + 1]];
        mesh.AddTriangle(bottom[s], top[s], top[s + 1], {u0, 1}, {u0, 0}, {u1, 0}, out);
        mesh.AddTriangle(bottom[s], top[s + 1], bottom[s + 1], {u0, 1}, {u1, 0}, {u1, 1}, out);
    }
    AddDisc(mesh, radius, halfHeight, 1, kSegments);
    AddDisc(mesh, radius, -halfHeight, -1, kSegments);
    return mesh;
}

// Apex at +height/2, base at -height/2: the way the physics cone is centred.
Mesh Cone(double radius, double height)
{
    constexpr int kSegments = 24;
    Mesh mesh;
    const double apexY = height / 2, baseY = -height / 2;
    for (int s = 0; s < kSegments; ++s) {
        const double phi0 = 2 * kPi * s / kSegments, phi1 = 2 * kPi * (s + 1) / kSegments;
        const double phiMid = (phi0 + phi1) / 2;
        auto slopeNormal = [&](double phi) { return V3{height * std::cos(phi), radius, height * std::sin(phi)}; };
        const int apex = mesh.AddVertex({0, apexY, 0}, slopeNormal(phiMid));
        const int b0 = mesh.AddVertex({radius * std::cos(phi0), baseY, radius * std::sin(phi0)}, slopeNormal(phi0));
        const int b1 = mesh.AddVertex({radius * std::cos(phi1), baseY, radius * std::sin(phi1)}, slopeNormal(phi1));
        const double u0 = double(s) / kSegments, u1 = double(s + 1) / kSegments;
        mesh.AddTriangle(apex, b0, b1, {(u0 + u1) / 2, 0}, {u0, 1}, {u1, 1}, slopeNormal(phiMid));
    }
    AddDisc(mesh, radius, baseY, -1, kSegments);
    return mesh;
}

// Three steps rising towards +z: the column of step i covers the i-th third of
// the depth and reaches (i + 1)/3 of the height. Concave, so its body is a
// triangle mesh. Faces are mapped at 1 m per picture.
Mesh Stairs(double width, double height, double depth)
{
    constexpr int kSteps = 3;
    Mesh mesh;
    const double hx = width / 2, y0 = -height / 2, z0 = -depth / 2;
    const double rise = height / kSteps, run = depth / kSteps;
    auto rectUv = [](double a0, double a1, double b0, double b1) { return UvRect{a0, b0, a1, b1}; };
    for (int i = 0; i < kSteps; ++i) {
        const double za = z0 + i * run, zb = za + run;
        const double top = y0 + (i + 1) * rise, below = y0 + i * rise;
        // Riser (facing -z) from the previous step's tread up to this one.
        mesh.AddQuad({-hx, below, za}, {-hx, top, za}, {hx, top, za}, {hx, below, za}, {0, 0, -1},
                     rectUv(0, width, 0, rise));
        // Tread.
        mesh.AddQuad({-hx, top, za}, {-hx, top, zb}, {hx, top, zb}, {hx, top, za}, {0, 1, 0},
                     rectUv(0, width, 0, run));
        // The two sides of this step's column, from the floor up.
        mesh.AddQuad({hx, y0, za}, {hx, top, za}, {hx, top, zb}, {hx, y0, zb}, {1, 0, 0},
                     rectUv(za - z0, zb - z0, height - (top - y0), height));
        mesh.AddQuad({-hx, y0, zb}, {-hx, top, zb}, {-hx, top, za}, {-hx, y0, za}, {-1, 0, 0},
                     rectUv(depth - (zb - z0), depth - (za - z0), height - (top - y0), height));
    }
    const double zEnd = z0 + depth, yTop = y0 + height;
    mesh.AddQuad({hx, y0, zEnd}, {hx, yTop, zEnd}, {-hx, yTop, zEnd}, {-hx, y0, zEnd}, {0, 0, 1},
                 rectUv(0, width, 0, height));
    mesh.AddQuad({-hx, y0, zEnd}, {-hx, y0, z0}, {hx, y0, z0}, {hx, y0, zEnd}, {0, -1, 0},
                 rectUv(0, width, 0, depth));
    return mesh;
}

// ---------------------------------------------------------------------------
// Bone animation: a pole whose upper half swings about its middle
// ---------------------------------------------------------------------------
// Bone 0 holds the lower half still (its key is a translation to the foot of
// the pole); bone 1 turns the upper half about the middle by the key angles.
// The vertices of the middle quarter blend linearly between the two bones.
// One swinging bone about a fixed pivot looks right whichever way a reader
// turns the key rotation, so the data does not depend on that detail.
struct BoneKeyRow {
    double m[4][4];
};

constexpr double kPoleKeyTimes[] = {0.0, 0.75, 1.5, 2.25, 3.0};
constexpr double kPoleKeyAngles[] = {0.0, 30.0, 0.0, -30.0, 0.0};  // degrees about z; the last key closes the loop
constexpr int kPoleBones = 2;

Mesh BentPole(double halfWidth, double halfHeight)
{
    constexpr int kRings = 9;
    Mesh mesh;
    const double w = halfWidth;
    auto ringY = [&](int ring) { return -halfHeight + 2 * halfHeight * ring / (kRings - 1); };
    // Side faces as strips of quads, each face's own vertices (flat shading);
    // v runs from the top (0) to the foot (1) so the bands sit still on the pole.
    const struct {
        V3 normal, left, right;  // left and right edge offsets seen from outside
    } sides[] = {
        {{0, 0, -1}, {-w, 0, -w}, {w, 0, -w}},
        {{1, 0, 0}, {w, 0, -w}, {w, 0, w}},
        {{0, 0, 1}, {w, 0, w}, {-w, 0, w}},
        {{-1, 0, 0}, {-w, 0, w}, {-w, 0, -w}},
    };
    for (const auto& side : sides) {
        std::vector<int> left, right;
        for (int ring = 0; ring < kRings; ++ring) {
            const V3 lift{0, ringY(ring), 0};
            left.push_back(mesh.AddVertex(side.left + lift, side.normal));
            right.push_back(mesh.AddVertex(side.right + lift, side.normal));
        }
        for (int ring = 0; ring + 1 < kRings; ++ring) {
            const double vLow = 1.0 - double(ring) / (kRings - 1), vHigh = 1.0 - double(ring + 1) / (kRings - 1);
            const int c0 = left[ring], c1 = left[ring + 1], c2 = right[ring + 1], c3 = right[ring];
            mesh.AddTriangle(c0, c1, c2, {0, vLow}, {0, vHigh}, {1, vHigh}, side.normal);
            mesh.AddTriangle(c0, c2, c3, {0, vLow}, {1, vHigh}, {1, vLow}, side.normal);
        }
    }
    const double h = halfHeight;
    const UvRect band{0, 0, 1, 0.1};
    mesh.AddQuad({-w, h, -w}, {-w, h, w}, {w, h, w}, {w, h, -w}, {0, 1, 0}, band);
    mesh.AddQuad({-w, -h, w}, {-w, -h, -w}, {w, -h, -w}, {w, -h, w}, {0, -1, 0}, band);

    for (int v = 0; v < static_cast<int>(mesh.positions.size()); ++v) {
        const double y = mesh.positions[v].y;
        const double upper = std::clamp((y + 0.25 * halfHeight) / (0.5 * halfHeight), 0.0, 1.0);
        if (upper < 1) mesh.weights.push_back({v, 0, 1 - upper});
        if (upper > 0) mesh.weights.push_back({v, 1, upper});
    }
    return mesh;
}

// The key of `bone` at key `key`, rows in row-vector form (translation in the
// fourth row).
BoneKeyRow PoleKey(int bone, int key, double halfHeight)
{
    BoneKeyRow k{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    if (bone == 0) {
        k.m[3][1] = -halfHeight;  // the foot of the pole
        return k;
    }
    const double a = kPoleKeyAngles[key] * kPi / 180.0;
    k.m[0][0] = std::cos(a), k.m[0][1] = std::sin(a);
    k.m[1][0] = -std::sin(a), k.m[1][1] = std::cos(a);
    return k;  // pivot at the middle, the origin
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------
// Plain decimal, at most five places, no exponent, no "-0".
std::string Num(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.5f", value);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0" || s.empty()) s = "0";
    return s;
}

std::string Nums(std::initializer_list<double> values)
{
    std::string line;
    for (const double v : values) line += (line.empty() ? "" : " ") + Num(v);
    return line;
}

struct Material {
    const char* shading;
    const char* graphic;
    double ambient, diffuse, specular, power;
};

Material MaterialOf(const catalogue::Block& block)
{
    using catalogue::Look;
    Material m{block.phong ? "phong" : "lambert", block.glass ? "glass" : "normal", 0.35, 0.8, 0.15, 8};
    switch (block.look) {
    case Look::Ball: m.specular = 0.5, m.power = 24; break;
    case Look::Plate:
    case Look::Barrel: m.specular = 0.6, m.power = 32; break;
    case Look::Glass: m.ambient = 0.4, m.diffuse = 0.9, m.specular = 0.9, m.power = 48; break;
    case Look::Biome: m.ambient = 0.4, m.specular = 0.05, m.power = 4; break;
    default: break;
    }
    return m;
}

std::string BlockText(const catalogue::Block& block)
{
    using catalogue::Shape;
    const double sx = block.size[0], sy = block.size[1], sz = block.size[2];
    Mesh mesh;
    switch (block.shape) {
    case Shape::Box: mesh = Box(block); break;
    case Shape::Sphere: mesh = Sphere(sx / 2); break;
    case Shape::Cylinder: mesh = Cylinder(sx / 2, sy / 2); break;
    case Shape::Cone: mesh = Cone(sx / 2, sy); break;
    case Shape::Stairs: mesh = Stairs(sx, sy, sz); break;
    case Shape::BentPole: mesh = BentPole(sx / 2, sy / 2); break;
    }

    std::string out;
    auto line = [&](const std::string& text) { out += text + "\n"; };
    line("// generated at build time by make_blocks");
    line(std::string("name: ") + block.name);
    line(std::string("texture: ") + block.texture);
    const Material m = MaterialOf(block);
    line(std::string("shading: ") + m.shading);
    line(std::string("graphicmaterial: ") + m.graphic);
    line("ambient: " + Nums({m.ambient, m.ambient, m.ambient, 1}));
    line("diffuse: " + Nums({m.diffuse, m.diffuse, m.diffuse, 1}));
    line("specular: " + Nums({m.specular, m.specular, m.specular, 1}));
    line("materialpower: " + Num(m.power));

    line("vertices: {");
    for (const V3& p : mesh.positions) line(Nums({p.x, p.y, p.z}));
    line("}");
    line("normals: {");
    for (const V3& n : mesh.normals) line(Nums({n.x, n.y, n.z}));
    line("}");
    line("triangles: {");
    for (const auto& t : mesh.triangles)
        line(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]));
    line("}");
    line("textcoord: {");
    for (const Uv& uv : mesh.corners) line(Nums({uv.u, uv.v}));
    line("}");

    line("physics: {");
    switch (block.shape) {
    case Shape::Box:
    case Shape::BentPole: line("cube: " + Nums({sx / 2, sy / 2, sz / 2})); break;
    case Shape::Sphere: line("sphere: " + Num(sx / 2)); break;
    case Shape::Cylinder: line("cylinder: " + Nums({sx / 2, sy / 2})); break;
    case Shape::Cone: line("cone: " + Nums({sx / 2, sy})); break;
    case Shape::Stairs: line("trimesh:"); break;
    }
    line("mass: " + Num(block.mass));
    line("}");

    if (block.shape == Shape::BentPole) {
        constexpr int keys = static_cast<int>(std::size(kPoleKeyTimes));
        line("bone_animation: {");
        line("keyframes: " + std::to_string(keys));
        line("allbones: " + std::to_string(kPoleBones));
        line("totalweightnum: " + std::to_string(mesh.weights.size()));
        for (int key = 0; key < keys; ++key) {
            line("ftime: " + Num(kPoleKeyTimes[key]));
            for (int bone = 0; bone < kPoleBones; ++bone) {
                const BoneKeyRow k = PoleKey(bone, key, sy / 2);
                line("bone: " + std::to_string(bone));
                for (int row = 0; row < 3; ++row)
                    line("row" + std::to_string(row) + ": " +
                         Nums({k.m[row][0], k.m[row][1], k.m[row][2], k.m[row][3]}));
                line("row3: " + Nums({k.m[3][0], k.m[3][1], k.m[3][2]}));
            }
        }
        line("}");
        line("vert_weight: {");
        for (const Weight& w : mesh.weights)
            line(std::to_string(w.vertex) + " " + std::to_string(w.bone) + " " + Num(w.weight));
        line("}");
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::path folder;
    if (!FolderArgument(argc, argv, "make_blocks <folder>", &folder)) return 2;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const catalogue::Block& block : catalogue::kBlocks) {
        const std::string text = BlockText(block);
        if (!WriteFileBytes(folder / block.file, text.data(), text.size())) {
            std::fprintf(stderr, "make_blocks: cannot write %s\n", (folder / block.file).c_str());
            return 1;
        }
    }
    return 0;
}

// make_textures: paints the pictures the program ships into its start
// directory.
//
//   make_textures <start directory>
//
// writes
//   Textures/    the world's textures (floor, walls, rainbow colours, the aiming
//                cross, the sky box), every block type's texture (block_catalogue.h)
//                and the pictures of the scene dialogs;
//   TexturesUI/  the front end's backgrounds and scene thumbnails;
//   temp-percp-graph.tga   the biome graph of the landscape generator.
// Pictures are painted procedurally from fixed seeds, so every run writes the
// same files. Rows are written top first (row 0 is v = 0), as the program
// samples them; DDS files are uncompressed R8G8B8A8 with a full mip chain.
//
// Index: colours and images - noise - file writers - world textures - sky box
//        - block textures - isometric painter - scene pictures - biome graph - main
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "block_catalogue.h"
#include "core/binary_io.h"
#include "generator_support.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

using namespace generator;

// ---------------------------------------------------------------------------
// Colours and images
// ---------------------------------------------------------------------------
struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
};
Rgba operator*(Rgba c, double s) { return {c.r * s, c.g * s, c.b * s, c.a}; }
Rgba operator+(Rgba x, Rgba y) { return {x.r + y.r, x.g + y.g, x.b + y.b, x.a}; }

Rgba FromRgb(catalogue::Rgb c) { return {c.r / 255.0, c.g / 255.0, c.b / 255.0, 1}; }
Rgba Rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1}; }
Rgba Mix(Rgba x, Rgba y, double t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double SmoothStep(double e0, double e1, double x)
{
    const double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

struct Image {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;

    Image(int w, int h, Rgba fill = {}) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    Rgba& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    const Rgba& At(int x, int y) const { return pixels[size_t(y) * width + x]; }

    // Sets every pixel from its texture coordinate (pixel centres, v down).
    void Paint(const std::function<Rgba(double u, double v)>& shader)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) At(x, y) = shader((x + 0.5) / width, (y + 0.5) / height);
    }
};

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0)); }

// Halves an image, weighting colour by alpha so transparent texels do not
// darken the edges of what is opaque.
Image HalfSize(const Image& image)
{
    Image half(std::max(1, image.width / 2), std::max(1, image.height / 2));
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            Rgba sum{0, 0, 0, 0};
            int count = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const int sx = std::min(image.width - 1, 2 * x + dx), sy = std::min(image.height - 1, 2 * y + dy);
                    const Rgba& p = image.At(sx, sy);
                    sum.r += p.r * p.a, sum.g += p.g * p.a, sum.b += p.b * p.a, sum.a += p.a;
                    ++count;
                }
            }
            half.At(x, y) = sum.a > 0 ? Rgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / count}
                                      : Rgba{1, 1, 1, 0};
        }
    }
    return half;
}

// ---------------------------------------------------------------------------
// Noise: hashed lattice values, optionally periodic so pictures tile
// ---------------------------------------------------------------------------
uint32_t Hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}
double Hash01(int32_t x, int32_t y, uint32_t seed) { return Hash(x, y, seed) / 4294967296.0; }

int Wrap(int i, int period) { return period > 0 ? ((i % period) + period) % period : i; }

// Smooth value noise in [0, 1] at lattice coordinates (x, y); the lattice
// repeats every periodX x periodY cells (0: no repeat).
double ValueNoise(double x, double y, int periodX, int periodY, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    const double tx = fade(x - fx), ty = fade(y - fy);
    auto corner = [&](int dx, int dy) { return Hash01(Wrap(ix + dx, periodX), Wrap(iy + dy, periodY), seed); };
    const double top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * tx;
    const double bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

// Fractal noise over texture coordinates (u, v) in [0, 1), tiling in both
// directions; `cellsX` x `cellsY` lattice cells at the first octave.
double TiledFbm(double u, double v, int cellsX, int cellsY, int octaves, uint32_t seed)
{
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        const int px = cellsX << o, py = cellsY << o;
        sum += amplitude * ValueNoise(u * px, v * py, px, py, seed + o * 101);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

// Cellular noise, tiling over `cells` x `cells`: distances to the nearest and
// second-nearest jittered point (in cell units) and the nearest point's cell.
struct Cells {
    double f1, f2;
    uint32_t id;
};
Cells TiledCells(double u, double v, int cells, uint32_t seed)
{
    const double x = u * cells, y = v * cells;
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    Cells result{1e9, 1e9, 0};
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const int gx = cx + dx, gy = cy + dy;
            const int wx = Wrap(gx, cells), wy = Wrap(gy, cells);
            const double px = gx + 0.15 + 0.7 * Hash01(wx, wy, seed);
            const double py = gy + 0.15 + 0.7 * Hash01(wx, wy, seed + 7);
            const double d = std::hypot(px - x, py - y);
            if (d < result.f1) {
                result.f2 = result.f1;
                result.f1 = d;
                result.id = Hash(wx, wy, seed + 13);
            } else if (d < result.f2) {
                result.f2 = d;
            }
        }
    }
    return result;
}

// ---------------------------------------------------------------------------
// File writers
// ---------------------------------------------------------------------------
void AppendJpegBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

bool WriteJpeg(const std::filesystem::path& path, const Image& image)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const Rgba& p : image.pixels) rgb.insert(rgb.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b)});
    std::vector<uint8_t> file;
    if (!stbi_write_jpg_to_func(AppendJpegBytes, &file, image.width, image.height, 3, rgb.data(), 92)) return false;
    return WriteFileBytes(path, file);
}

// Uncompressed 32-bit DDS in the common A8R8G8B8 layout (bytes blue, green,
// red, alpha), with every mip level down to 1 x 1.
bool WriteDds(const std::filesystem::path& path, const Image& image)
{
    std::vector<Image> levels{image};
    while (levels.back().width > 1 || levels.back().height > 1) levels.push_back(HalfSize(levels.back()));
    const auto mipCount = static_cast<uint32_t>(levels.size());

    constexpr uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000,
                       kMipMapCount = 0x20000;
    constexpr uint32_t kAlphaPixels = 0x1, kRgb = 0x40;
    constexpr uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipMap = 0x400000;
    BinaryWriter out;
    out.WriteBytes("DDS ", 4);
    out.WriteU32(124);
    out.WriteU32(kCaps | kHeight | kWidth | kPitch | kPixelFormat | kMipMapCount);
    out.WriteU32(static_cast<uint32_t>(image.height));
    out.WriteU32(static_cast<uint32_t>(image.width));
    out.WriteU32(static_cast<uint32_t>(image.width) * 4);  // row pitch of the top level
    out.WriteU32(0);                                        // depth
    out.WriteU32(mipCount);
    for (int i = 0; i < 11; ++i) out.WriteU32(0);
    out.WriteU32(32);  // pixel format size
    out.WriteU32(kRgb | kAlphaPixels);
    out.WriteU32(0);   // no four-character code
    out.WriteU32(32);  // bits per pixel
    out.WriteU32(0x00FF0000);  // red
    out.WriteU32(0x0000FF00);  // green
    out.WriteU32(0x000000FF);  // blue
    out.WriteU32(0xFF000000);  // alpha
    out.WriteU32(kCapsTexture | (mipCount > 1 ? kCapsComplex | kCapsMipMap : 0));
    for (int i = 0; i < 4; ++i) out.WriteU32(0);  // caps2, caps3, caps4, reserved
    for (const Image& level : levels)
        for (const Rgba& p : level.pixels)
            for (const double c : {p.b, p.g, p.r, p.a}) out.WriteU8(ToByte(c));
    return WriteFileBytes(path, out.Bytes());
}

// Uncompressed true-colour TGA, 32 bits, rows written in the order given
// (file order; an ordinary TGA is shown bottom row first).
bool WriteTga(const std::filesystem::path& path, const Image& rowsInFileOrder)
{
    BinaryWriter out;
    const uint8_t head[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.WriteBytes(head, sizeof head);
    out.WriteU16(static_cast<uint16_t>(rowsInFileOrder.width));
    out.WriteU16(static_cast<uint16_t>(rowsInFileOrder.height));
    out.WriteU8(32);
    out.WriteU8(8);  // eight alpha bits, bottom-left origin
    for (const Rgba& p : rowsInFileOrder.pixels)
        for (const double c : {p.b, p.g, p.r, p.a}) out.WriteU8(ToByte(c));
    return WriteFileBytes(path, out.Bytes());
}

// ---------------------------------------------------------------------------
// World textures
// ---------------------------------------------------------------------------
// Laminate floor: 32 rows of planks 16 texels wide (the floor repeats the
// picture every 10 m, so a plank is about 30 cm wide and 1.3-2.3 m long),
// joints staggered per row, wood grain along each plank. Tiles both ways.
Image LaminatSurface()
{
    constexpr int kSize = 512, kRows = 32, kRowHeight = kSize / kRows;
    Image image(kSize, kSize);
    for (int row = 0; row < kRows; ++row) {
        const int offset = static_cast<int>(Hash01(row, 0, 11) * kSize);
        std::vector<int> joints{0};
        for (int k = 1;; ++k) {
            const int next = joints.back() + 72 + static_cast<int>(Hash01(row, k, 12) * 56);
            if (next > kSize - 48) break;
            joints.push_back(next);
        }
        joints.push_back(kSize);
        for (int y = row * kRowHeight; y < (row + 1) * kRowHeight; ++y) {
            const int yl = y - row * kRowHeight;
            for (int x = 0; x < kSize; ++x) {
                const int xx = Wrap(x - offset, kSize);  // continuous inside a plank
                const size_t plank = std::upper_bound(joints.begin(), joints.end(), xx) - joints.begin() - 1;
                const uint32_t seed = Hash(row, static_cast<int>(plank), 13);
                const double tint = 0.86 + 0.22 * (seed % 1000) / 1000.0;
                const double warmth = ((seed >> 10) % 1000) / 1000.0;
                Rgba wood = Mix(Rgb(200, 152, 98), Rgb(178, 122, 74), warmth) * tint;
                const double wobble = ValueNoise(xx / 40.0, yl / 9.0 + seed % 97, 0, 0, 21);
                const double grain = 0.5 + 0.5 * std::sin((yl / 16.0 * 2.2 + wobble * 2.6 + (seed % 7)) * 2 * kPi);
                const double fine = ValueNoise(xx / 3.0, yl * 1.7 + row * 31, 0, 0, 22);
                wood = wood * (0.9 + 0.08 * grain + 0.05 * fine);
                if (yl == 0 || xx - joints[plank] == 0) wood = wood * 0.55;
                else if (yl == 1 || xx - joints[plank] == 1) wood = wood * 1.06;
                else if (yl == kRowHeight - 1) wood = wood * 0.9;
                image.At(x, y) = wood;
            }
        }
    }
    return image;
}

// Stone wall and ground: rounded stones of several greys and browns set in
// darker mortar. Tiles both ways.
Image GroundStones()
{
    constexpr int kSize = 512;
    Image image(kSize, kSize);
    image.Paint([](double u, double v) {
        const Cells c = TiledCells(u, v, 14, 31);
        const double edge = c.f2 - c.f1;
        const double grit = TiledFbm(u, v, 32, 32, 4, 32);
        if (edge < 0.08) return Rgb(92, 86, 76) * (0.85 + 0.3 * grit);
        const double pick = (c.id % 1000) / 1000.0;
        Rgba stone = Mix(Rgb(132, 126, 116), Rgb(150, 128, 100), pick);
        stone = stone * (0.78 + 0.34 * ((c.id >> 10) % 1000) / 1000.0);
        const double rounded = SmoothStep(0.08, 0.3, edge);
        const double speckle = TiledFbm(u, v, 64, 64, 3, 33);
        return stone * (0.72 + 0.28 * rounded) * (0.85 + 0.3 * speckle);
    });
    return image;
}

// One of the eight rainbow colours with a soft frame and a little texture.
Image Rainbow(int index)
{
    static const Rgba kColours[8] = {Rgb(226, 40, 40),  Rgb(246, 138, 28), Rgb(246, 220, 40),  Rgb(62, 190, 72),
                                     Rgb(40, 188, 208), Rgb(46, 96, 222),  Rgb(82, 52, 172), Rgb(168, 62, 204)};
    Image image(128, 128);
    const Rgba colour = kColours[index];
    image.Paint([&](double u, double v) {
        const double border = std::min({u, v, 1 - u, 1 - v});
        const double frame = 0.82 + 0.18 * SmoothStep(0.0, 0.06, border);
        const double light = 1.06 - 0.12 * v;
        const double noise = TiledFbm(u, v, 8, 8, 3, 40 + index);
        return colour * (frame * light * (0.93 + 0.1 * noise));
    });
    return image;
}

// The aiming cross: four white arms with a black outline round a small gap
// and a centre dot; transparent elsewhere. Symmetric, so it looks the same
// whichever way the sprite quad maps it.
Image AimingCross()
{
    constexpr int kSize = 64, kSub = 4;
    constexpr double kCentre = kSize / 2.0, kArm = 25, kHalfThick = 1.6, kGap = 6, kDot = 1.8, kOutline = 1.4;
    Image image(kSize, kSize, {1, 1, 1, 0});
    auto inside = [&](double x, double y, double grow) {
        const double dx = std::abs(x - kCentre), dy = std::abs(y - kCentre);
        const bool horizontal = dy <= kHalfThick + grow && dx >= kGap - grow && dx <= kArm + grow;
        const bool vertical = dx <= kHalfThick + grow && dy >= kGap - grow && dy <= kArm + grow;
        const bool dot = std::hypot(dx, dy) <= kDot + grow;
        return horizontal || vertical || dot;
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            double white = 0, black = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double px = x + (sx + 0.5) / kSub, py = y + (sy + 0.5) / kSub;
                    if (inside(px, py, 0)) white += 1;
                    else if (inside(px, py, kOutline)) black += 1;
                }
            }
            const double alpha = (white + 0.75 * black) / (kSub * kSub);
            const double grey = white + black > 0 ? white / (white + 0.75 * black) : 1;
            image.At(x, y) = {grey, grey, grey, alpha};
        }
    }
    return image;
}

// ---------------------------------------------------------------------------
// Sky box
// ---------------------------------------------------------------------------
// Each side of the box shows the whole side picture: v = 0 at the top edge,
// the horizon at v = 0.5, the ground below. The four sides meet u = 1 to
// u = 0, so the picture tiles across; its top row is the colour the top
// picture has at its edges, its bottom row the bottom picture's.
const Rgba kZenithEdge = Rgb(70, 128, 206);
const Rgba kHorizon = Rgb(206, 224, 242);
const Rgba kGroundFar = Rgb(148, 162, 146);
const Rgba kGround = Rgb(88, 102, 76);

Image SkyboxSide()
{
    Image image(512, 512);
    image.Paint([](double u, double v) {
        if (v < 0.5) {
            const double elevation = (0.5 - v) / 0.5;
            Rgba sky = Mix(kHorizon, kZenithEdge, std::pow(elevation, 0.55));
            // Clouds, stretched along the horizon; none near the top edge, so
            // the edge matches the top picture.
            const double shape = TiledFbm(u, v, 3, 12, 5, 50);
            const double band = SmoothStep(0.04, 0.2, v) * (1 - SmoothStep(0.4, 0.48, v));
            const double cloud = SmoothStep(0.5, 0.72, shape) * band;
            const Rgba cloudColour = Mix(Rgb(250, 250, 252), Rgb(196, 202, 214), SmoothStep(0.0, 1.0, (v - 0.1) / 0.4));
            sky = Mix(sky, cloudColour, cloud * 0.9);
            // Distant hills along the horizon.
            const double hill = 0.02 + 0.07 * TiledFbm(u, 0.5, 7, 1, 4, 51);
            if (v > 0.5 - hill) {
                const double depth = (v - (0.5 - hill)) / hill;
                sky = Mix(Rgb(124, 150, 152), Rgb(112, 136, 124), depth);
            }
            return sky;
        }
        const double down = (v - 0.5) / 0.5;
        Rgba ground = Mix(kGroundFar, kGround, std::pow(down, 0.6));
        const double texture = TiledFbm(u, v, 12, 48, 4, 52);
        const double fade = 1 - SmoothStep(0.85, 0.98, v);
        return ground * (1 + fade * 0.14 * (texture - 0.5));
    });
    return image;
}

Image SkyboxTop()
{
    Image image(256, 256);
    image.Paint([](double u, double v) {
        // Round towards the middle, exactly the sides' colour along the edges.
        const double x = u * 2 - 1, y = v * 2 - 1;
        const double toEdge = std::max(std::abs(x), std::abs(y));
        const double fade = std::max((x * x + y * y) / 2, SmoothStep(0.8, 1.0, toEdge));
        return Mix(Rgb(60, 114, 196), kZenithEdge, fade);
    });
    return image;
}

Image SkyboxBottom()
{
    Image image(256, 256);
    image.Paint([](double u, double v) {
        const double toEdge = std::max(std::abs(u * 2 - 1), std::abs(v * 2 - 1));
        const double texture = TiledFbm(u, v, 16, 16, 4, 53);
        return kGround * (1 + (1 - SmoothStep(0.8, 0.98, toEdge)) * 0.16 * (texture - 0.5));
    });
    return image;
}

// ---------------------------------------------------------------------------
// Block textures
// ---------------------------------------------------------------------------
double Speckle(double u, double v, uint32_t seed) { return TiledFbm(u, v, 16, 16, 4, seed); }

Image BlockTexture(const catalogue::Block& block, uint32_t seed)
{
    using catalogue::Look;
    const Rgba main = FromRgb(block.colour), second = FromRgb(block.second);
    Image image(256, 256);
    switch (block.look) {
    case Look::Crate:
        image.Paint([&](double u, double v) {
            const double border = std::min({u, v, 1 - u, 1 - v});
            const double noise = Speckle(u, v, seed);
            if (border < 0.012) return second;
            if (border < 0.075) {
                // Bevel lit from the top left.
                const double shade = std::min(u, v) == border ? 1.12 : 0.8;
                return Mix(main, second, 0.25) * (shade * (0.95 + 0.08 * noise));
            }
            const double inner = SmoothStep(0.075, 0.12, border);
            return main * ((0.88 + 0.12 * inner) * (0.94 + 0.1 * noise));
        });
        break;
    case Look::Ball:
        image.Paint([&](double u, double v) {
            const double noise = TiledFbm(u, v, 8, 4, 4, seed);
            const bool seam = std::abs(v - 0.5) < 0.018 || std::abs(u - 0.25) < 0.008 || std::abs(u - 0.75) < 0.008;
            return (seam ? second : main) * (0.94 + 0.1 * noise);
        });
        break;
    case Look::Tile:
        image.Paint([&](double u, double v) {
            const double cu = std::fmod(u * 2, 1.0), cv = std::fmod(v * 2, 1.0);
            const double edge = std::min({cu, cv, 1 - cu, 1 - cv});
            if (edge < 0.025) return second * (0.9 + 0.15 * Speckle(u, v, seed + 1));
            const double gloss = 1.1 - 0.16 * (cu + cv) / 2;
            const double rim = 0.9 + 0.1 * SmoothStep(0.025, 0.06, edge);
            return main * (gloss * rim * (0.95 + 0.07 * Speckle(u, v, seed)));
        });
        break;
    case Look::Plate:
        image.Paint([&](double u, double v) {
            const double border = std::min({u, v, 1 - u, 1 - v});
            if (border < 0.015) return second;
            const double brush = ValueNoise(u * 6, v * 180, 6, 180, seed);
            Rgba metal = main * (0.88 + 0.2 * brush);
            for (const double cx : {0.07, 0.5, 0.93}) {
                for (const double cy : {0.07, 0.5, 0.93}) {
                    if (cx == 0.5 && cy == 0.5) continue;
                    const double d = std::hypot(u - cx, v - cy);
                    if (d < 0.028) metal = main * (1.18 - 0.45 * (u - cx + v - cy) / 0.056 - 0.25 * d / 0.028);
                    else if (d < 0.034) metal = second;
                }
            }
            return metal;
        });
        break;
    case Look::Beam:
        image.Paint([&](double u, double v) {
            const double border = std::min({u, v, 1 - u, 1 - v});
            const double wobble = TiledFbm(u, v, 3, 2, 3, seed);
            const double grain = 0.5 + 0.5 * std::sin((v * 9 + wobble * 3) * 2 * kPi);
            Rgba paint = Mix(main, second, 0.35 * grain) * (0.95 + 0.08 * Speckle(u, v, seed + 1));
            if (border < 0.02) paint = paint * 0.6;
            return paint;
        });
        break;
    case Look::Biome:
        image.Paint([&](double u, double v) {
            const double su = std::fmod(u * 2, 1.0);  // each half on its own
            const double fine = TiledFbm(su, v, 32, 32, 3, seed);
            const double blades = Hash01(static_cast<int>(su * 128), static_cast<int>(v * 256), seed) > 0.85 ? 1 : 0;
            const Rgba top = main * (0.84 + 0.24 * fine + 0.08 * blades);
            if (u < 0.5) return top;
            const double rim = 0.16 + 0.05 * TiledFbm(su, 0.5, 8, 1, 3, seed + 2);
            if (v < rim) return top;
            if (v < rim + 0.012) return top * 0.7;
            const double pebble = Hash01(static_cast<int>(su * 48), static_cast<int>(v * 96), seed + 3) > 0.93 ? 0.85 : 1;
            return second * ((0.86 + 0.24 * TiledFbm(su, v, 16, 16, 4, seed + 4)) * pebble);
        });
        break;
    case Look::Barrel:
        image.Paint([&](double u, double v) {
            const double streak = ValueNoise(u * 48, v * 3, 48, 3, seed);
            Rgba metal = main * (0.86 + 0.2 * streak);
            for (const double rib : {0.1, 0.5, 0.9}) {
                const double d = v - rib;
                if (std::abs(d) < 0.025) metal = second * (d < 0 ? 1.5 : 0.9);
            }
            return metal;
        });
        break;
    case Look::TrafficCone:
        image.Paint([&](double u, double v) {
            const bool band = (v > 0.3 && v < 0.44) || (v > 0.6 && v < 0.72);
            Rgba c = (band ? second : main) * (0.94 + 0.08 * Speckle(u, v, seed));
            if (v > 0.93) c = c * 0.55;
            return c;
        });
        break;
    case Look::Concrete:
        image.Paint([&](double u, double v) {
            const double cloud = TiledFbm(u, v, 6, 6, 5, seed);
            const bool pore = Hash01(static_cast<int>(u * 128), static_cast<int>(v * 128), seed + 1) > 0.97;
            const bool seam = std::fmod(v * 4, 1.0) < 0.01;
            return main * ((0.84 + 0.26 * cloud) * (pore ? 0.7 : 1) * (seam ? 0.8 : 1));
        });
        break;
    case Look::Glass:
        image.Paint([&](double u, double v) {
            const double border = std::min({u, v, 1 - u, 1 - v});
            if (border < 0.045) {
                Rgba frame = second;
                frame.a = 0.9;
                return frame;
            }
            const double diagonal = std::fmod(u + v + 0.15, 1.0);
            const double streak = std::max(SmoothStep(0.05, 0.0, std::abs(diagonal - 0.4)),
                                           0.6 * SmoothStep(0.025, 0.0, std::abs(diagonal - 0.52)));
            Rgba pane = Mix(main, Rgba{1, 1, 1, 1}, streak * 0.7);
            pane.a = 0.28 + 0.3 * streak;
            return pane;
        });
        break;
    case Look::Pole:
        image.Paint([&](double u, double v) {
            const bool red = static_cast<int>(v * 10) % 2 == 0;
            const double edge = std::min(u, 1 - u);
            return (red ? main : second) * ((0.8 + 0.2 * SmoothStep(0.0, 0.2, edge)) * (0.95 + 0.06 * Speckle(u, v, seed)));
        });
        break;
    }
    return image;
}

// ---------------------------------------------------------------------------
// Isometric painter: boxes and balls seen from above at 45 degrees, with a
// depth buffer, painted at twice the size and halved for smooth edges
// ---------------------------------------------------------------------------
// Colour of a face at (s, t) in [0, 1]^2 along its two edges.
using FaceShader = std::function<Rgba(double s, double t)>;

FaceShader Flat(Rgba colour)
{
    return [colour](double, double) { return colour; };
}

class IsoPainter {
public:
    // `yawDegrees` turns the view about y, `pitchDegrees` looks down.
    IsoPainter(int width, int height, double yawDegrees = 45, double pitchDegrees = 32)
        : width_(width * 2), height_(height * 2), colour_(width * 2, height * 2), depth_(size_t(width_) * height_, -1e30)
    {
        const double yaw = yawDegrees * kPi / 180, pitch = pitchDegrees * kPi / 180;
        view_ = {std::cos(pitch) * std::sin(yaw), std::sin(pitch), std::cos(pitch) * std::cos(yaw)};
        right_ = {std::cos(yaw), 0, -std::sin(yaw)};
        up_ = {-std::sin(pitch) * std::sin(yaw), std::cos(pitch), -std::sin(pitch) * std::cos(yaw)};
        light_ = Normalised({0.35, 1.0, 0.6});
    }

    // Scales and centres the view so the box (lo, hi) fills the picture with
    // `margin` (a fraction) left round it.
    void Fit(V3 lo, V3 hi, double margin = 0.06)
    {
        double minX = 1e30, maxX = -1e30, minY = 1e30, maxY = -1e30;
        for (int i = 0; i < 8; ++i) {
            const V3 p{(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
            minX = std::min(minX, Dot(p, right_)), maxX = std::max(maxX, Dot(p, right_));
            minY = std::min(minY, Dot(p, up_)), maxY = std::max(maxY, Dot(p, up_));
        }
        scale_ = std::min(width_ * (1 - 2 * margin) / (maxX - minX), height_ * (1 - 2 * margin) / (maxY - minY));
        originX_ = width_ / 2.0 - scale_ * (minX + maxX) / 2;
        originY_ = height_ / 2.0 + scale_ * (minY + maxY) / 2;
    }

    void Background(const std::function<Rgba(double u, double v)>& sky)
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) colour_.At(x, y) = sky((x + 0.5) / width_, (y + 0.5) / height_);
    }

    // An axis-aligned box; `top` paints the top face, `side` the four sides
    // (s along the face, t from the top edge down).
    void Box(V3 lo, V3 hi, const FaceShader& top, const FaceShader& side)
    {
        const V3 d = hi - lo;
        Face({lo.x, hi.y, lo.z}, {d.x, 0, 0}, {0, 0, d.z}, {0, 1, 0}, top);
        Face({lo.x, lo.y, lo.z}, {d.x, 0, 0}, {0, 0, d.z}, {0, -1, 0}, top);
        auto sideShader = [&side](double s, double t) { return side(s, 1 - t); };
        Face({hi.x, lo.y, hi.z}, {0, 0, -d.z}, {0, d.y, 0}, {1, 0, 0}, sideShader);
        Face({lo.x, lo.y, lo.z}, {0, 0, d.z}, {0, d.y, 0}, {-1, 0, 0}, sideShader);
        Face({lo.x, lo.y, hi.z}, {d.x, 0, 0}, {0, d.y, 0}, {0, 0, 1}, sideShader);
        Face({hi.x, lo.y, lo.z}, {-d.x, 0, 0}, {0, d.y, 0}, {0, 0, -1}, sideShader);
    }
    void Box(V3 lo, V3 hi, Rgba colour) { Box(lo, hi, Flat(colour), Flat(colour)); }

    void Ball(V3 centre, double radius, Rgba colour)
    {
        const double cx = ScreenX(centre), cy = ScreenY(centre), r = radius * scale_;
        for (int y = std::max(0, int(cy - r) - 1); y <= std::min(height_ - 1, int(cy + r) + 1); ++y) {
            for (int x = std::max(0, int(cx - r) - 1); x <= std::min(width_ - 1, int(cx + r) + 1); ++x) {
                const double dx = (x + 0.5 - cx) / r, dy = -(y + 0.5 - cy) / r;
                const double d2 = dx * dx + dy * dy;
                if (d2 > 1) continue;
                const double h = std::sqrt(1 - d2);
                const double depth = Dot(centre, view_) + h * radius;
                double& z = depth_[size_t(y) * width_ + x];
                if (depth <= z) continue;
                z = depth;
                const V3 n = right_ * dx + up_ * dy + view_ * h;
                const double diffuse = 0.45 + 0.55 * std::max(0.0, Dot(n, light_));
                const V3 half = Normalised(light_ + view_);
                const double specular = std::pow(std::max(0.0, Dot(n, half)), 40) * 0.5;
                colour_.At(x, y) = colour * diffuse + Rgba{specular, specular, specular, 0};
            }
        }
    }

    // The painting at its final size, every pixel opaque and times `dim`.
    Image Result(double dim = 1.0) const
    {
        Image half = HalfSize(colour_);
        for (Rgba& p : half.pixels) p = p * dim, p.a = 1;
        return half;
    }

private:
    double ScreenX(V3 p) const { return originX_ + Dot(p, right_) * scale_; }
    double ScreenY(V3 p) const { return originY_ - Dot(p, up_) * scale_; }

    // A parallelogram origin + s e1 + t e2, drawn when it faces the viewer;
    // edges are darkened a little so stacked boxes read as blocks.
    void Face(V3 origin, V3 e1, V3 e2, V3 normal, const FaceShader& shader)
    {
        if (Dot(normal, view_) <= 1e-9) return;
        const double ox = ScreenX(origin), oy = ScreenY(origin);
        const double ax = Dot(e1, right_) * scale_, ay = -Dot(e1, up_) * scale_;
        const double bx = Dot(e2, right_) * scale_, by = -Dot(e2, up_) * scale_;
        const double det = ax * by - ay * bx;
        if (std::abs(det) < 1e-9) return;
        const double lenA = std::hypot(ax, ay), lenB = std::hypot(bx, by);
        const double minX = std::min({ox, ox + ax, ox + bx, ox + ax + bx}), maxX = std::max({ox, ox + ax, ox + bx, ox + ax + bx});
        const double minY = std::min({oy, oy + ay, oy + by, oy + ay + by}), maxY = std::max({oy, oy + ay, oy + by, oy + ay + by});
        const double shade = 0.5 + 0.5 * std::max(0.0, Dot(normal, light_));
        for (int y = std::max(0, int(minY)); y <= std::min(height_ - 1, int(maxY)); ++y) {
            for (int x = std::max(0, int(minX)); x <= std::min(width_ - 1, int(maxX)); ++x) {
                const double qx = x + 0.5 - ox, qy = y + 0.5 - oy;
                const double s = (qx * by - qy * bx) / det, t = (ax * qy - ay * qx) / det;
                if (s < 0 || s > 1 || t < 0 || t > 1) continue;
                const double depth = Dot(origin + e1 * s + e2 * t, view_);
                double& z = depth_[size_t(y) * width_ + x];
                if (depth <= z) continue;
                z = depth;
                const double edge = std::min({s * lenA, (1 - s) * lenA, t * lenB, (1 - t) * lenB});
                colour_.At(x, y) = shader(s, t) * (shade * (edge < 1.5 ? 0.72 : 1.0));
            }
        }
    }

    int width_, height_;
    Image colour_;
    std::vector<double> depth_;
    V3 view_, right_, up_, light_;
    double scale_ = 1, originX_ = 0, originY_ = 0;
};

// ---------------------------------------------------------------------------
// Scene pictures: what each kind of new world looks like
// ---------------------------------------------------------------------------
Rgba DaySky(double, double v) { return Mix(Rgb(92, 150, 222), Rgb(214, 230, 246), v); }

FaceShader WoodFloor(double length)
{
    return [length](double s, double t) {
        const double plank = std::floor(t * length * 3);
        const double line = std::fmod(t * length * 3, 1.0) < 0.08 ? 0.8 : 1.0;
        const double tint = 0.9 + 0.18 * Hash01(static_cast<int>(plank), static_cast<int>(s * 3), 70);
        return Rgb(196, 148, 96) * (tint * line);
    };
}

FaceShader Stone()
{
    return [](double s, double t) { return Rgb(128, 122, 112) * (0.85 + 0.3 * Hash01(int(s * 40), int(t * 8), 71)); };
}

// Blank scene: a wooden floor inside four low stone walls.
void PaintBlankScene(IsoPainter& painter)
{
    constexpr double h = 6;
    painter.Fit({-h - 0.4, -0.3, -h - 0.4}, {h + 0.4, 1.2, h + 0.4});
    painter.Background(DaySky);
    painter.Box({-h, -0.3, -h}, {h, 0, h}, WoodFloor(2 * h), WoodFloor(2 * h));
    const double wall = 1.0, thick = 0.4;
    painter.Box({-h - thick, 0 - 0.3, -h - thick}, {-h, wall, h + thick}, Stone(), Stone());
    painter.Box({-h, -0.3, -h - thick}, {h + thick, wall, -h}, Stone(), Stone());
    painter.Box({h, -0.3, -h}, {h + thick, wall * 0.5, h + thick}, Stone(), Stone());
    painter.Box({-h, -0.3, h}, {h, wall * 0.5, h + thick}, Stone(), Stone());
}

// Tube-style scene: coloured rooms of boxes on pillars, joined by green and
// white corridors, over a wooden ground.
void PaintTubeScene(IsoPainter& painter, const std::function<Rgba(double, double)>& sky = DaySky)
{
    const Rgba red = Rgb(200, 44, 36), blue = Rgb(44, 86, 204), yellow = Rgb(238, 196, 42), dark = Rgb(64, 64, 70);
    const Rgba green = Rgb(52, 168, 64), white = Rgb(232, 232, 226);
    constexpr double level = 4;
    painter.Fit({0, 0, 0}, {24, level + 1, 24});
    painter.Background(sky);
    painter.Box({-1, -0.4, -1}, {25, 0, 25}, WoodFloor(26), WoodFloor(26));
    struct Room {
        double x0, z0, x1, z1;
        Rgba colour;
    } rooms[] = {{1, 2, 7, 8, red}, {13, 1, 21, 6, blue}, {3, 14, 9, 21, yellow}, {14, 12, 20, 20, dark}};
    for (const Room& room : rooms) {
        for (double x = room.x0; x < room.x1; ++x)
            for (double z = room.z0; z < room.z1; ++z) painter.Box({x, level, z}, {x + 1, level + 1, z + 1}, room.colour);
        const double cx = std::floor((room.x0 + room.x1) / 2), cz = std::floor((room.z0 + room.z1) / 2);
        for (double y = 0; y < level; ++y) painter.Box({cx, y, cz}, {cx + 1, y + 1, cz + 1}, room.colour);
    }
    auto corridor = [&](double x0, double z0, double x1, double z1) {
        int cell = 0;
        for (double z = z0; z < z1; ++z)
            for (double x = x0; x < x1; ++x, ++cell)
                painter.Box({x, level, z}, {x + 1, level + 1, z + 1}, cell % 2 == 0 ? green : white);
    };
    corridor(7, 4, 13, 5);
    corridor(4, 8, 5, 14);
    corridor(17, 6, 18, 12);
    corridor(9, 17, 14, 18);
}

// The biome of a landscape column: nearest of a few fixed seeds.
catalogue::Rgb LandBiome(double x, double z)
{
    struct Seed {
        double x, z;
        int biome;
    };
    static const Seed kSeeds[] = {{2, 3, catalogue::kTundra},         {8, 2, catalogue::kBorealForest},
                                  {15, 4, catalogue::kTemperateForest}, {3, 11, catalogue::kSeasonalForest},
                                  {10, 9, catalogue::kTemperateRainforest}, {17, 12, catalogue::kSavanna},
                                  {5, 17, catalogue::kRainforest},     {12, 16, catalogue::kTropicalWoodland},
                                  {18, 18, catalogue::kDesert}};
    const Seed* best = &kSeeds[0];
    for (const Seed& seed : kSeeds)
        if (std::hypot(seed.x - x, seed.z - z) < std::hypot(best->x - x, best->z - z)) best = &seed;
    return catalogue::kBiomes[best->biome].colour;
}

// Cube landscape: columns of biome-coloured cubes over rolling heights.
void PaintLandScene(IsoPainter& painter, int n, bool fit = true)
{
    if (fit) painter.Fit({0, 0, 0}, {double(n), 5, double(n)});
    for (int x = 0; x < n; ++x) {
        for (int z = 0; z < n; ++z) {
            const double fx = x * 20.0 / n, fz = z * 20.0 / n;
            const Rgba grass = FromRgb(LandBiome(fx, fz));
            const double noise = ValueNoise(x / 5.0, z / 5.0, 0, 0, 80) * 0.7 + ValueNoise(x / 2.0, z / 2.0, 0, 0, 81) * 0.3;
            const int levels = 1 + static_cast<int>(noise * 5);
            const Rgba soil = Rgb(112, 82, 54);
            for (int y = 0; y < levels; ++y) {
                const bool summit = y == levels - 1;
                const FaceShader side = [&](double, double t) { return summit && t < 0.2 ? grass : soil; };
                painter.Box({double(x), double(y), double(z)}, {x + 1.0, y + 1.0, z + 1.0}, Flat(grass), side);
            }
        }
    }
}

// Beams of the automatic scene's tower, crossed level by level.
void PaintTower(IsoPainter& painter, V3 base, int levels)
{
    const Rgba one = Rgb(214, 96, 40), two = Rgb(40, 156, 168);
    constexpr double a = 2.0, b = 0.4, w = 0.4;
    double y = base.y;
    for (int level = 0; level < levels; ++level) {
        for (const double dz : {0.0, 0.8 * a})
            painter.Box({base.x - a / 2, y, base.z + dz - w / 2}, {base.x + a / 2, y + b, base.z + dz + w / 2}, one);
        y += b;
        for (const double dx : {-0.4 * a, 0.4 * a})
            painter.Box({base.x + dx - w / 2, y, base.z + 0.4 * a - a / 2}, {base.x + dx + w / 2, y + b, base.z + 0.4 * a + a / 2}, two);
        y += b;
    }
}

// Automatic scene: a winding path of blocks and a tower of crossed beams.
void PaintAutoScene(IsoPainter& painter)
{
    painter.Fit({-10, 0, -6}, {10, 3, 6}, 0.04);
    painter.Background(DaySky);
    painter.Box({-10, -0.3, -6}, {10, 0, 6}, WoodFloor(20), WoodFloor(20));
    const Rgba colours[] = {Rgb(226, 40, 40), Rgb(246, 138, 28), Rgb(246, 220, 40), Rgb(62, 190, 72),
                            Rgb(40, 188, 208), Rgb(46, 96, 222), Rgb(82, 52, 172), Rgb(168, 62, 204)};
    for (int i = 0; i < 40; ++i) {
        const double t = i / 39.0;
        const double x = -8.5 + 13 * t, z = 3.5 * std::sin(t * 2.4 * kPi) - 1;
        painter.Box({x - 0.3, 0, z - 0.3}, {x + 0.3, 0.6, z + 0.3}, colours[(i / 3) % 8]);
    }
    PaintTower(painter, {6.5, 0, -1.2}, 3);
}

// Direct objects: rows of balls and boxes laid out along straight lines.
void PaintObjectsScene(IsoPainter& painter)
{
    painter.Fit({-10, 0, -6}, {10, 2, 6}, 0.04);
    painter.Background(DaySky);
    painter.Box({-10, -0.3, -6}, {10, 0, 6}, WoodFloor(20), WoodFloor(20));
    const Rgba balls[] = {Rgb(60, 178, 60), Rgb(210, 40, 40), Rgb(240, 240, 238)};
    for (int i = 0; i < 14; ++i) painter.Ball({-8.0 + i * 1.2, 0.45, -3}, 0.45, balls[i % 3]);
    const Rgba boxes[] = {Rgb(232, 232, 226), Rgb(238, 196, 42), Rgb(200, 44, 36)};
    for (int i = 0; i < 12; ++i) {
        const double x = -7.5 + i * 1.3;
        painter.Box({x - 0.45, 0, 1.0}, {x + 0.45, 0.9, 1.9}, boxes[i % 3]);
    }
    for (int i = 0; i < 8; ++i) painter.Ball({-7.0 + i * 2.0, 0.3, 4.2}, 0.3, balls[(i + 1) % 3]);
}

// Front-end backgrounds: wide landscapes, a little darker so menus stay
// readable over them.
Image Background(int index)
{
    IsoPainter painter(1024, 576, 45, 30);
    switch (index) {
    case 0:
        painter.Fit({0, 0, 0}, {28, 5, 28}, 0.0);
        painter.Background(DaySky);
        PaintLandScene(painter, 28, false);
        return painter.Result(0.8);
    case 1:
        PaintTubeScene(painter, [](double, double v) { return Mix(Rgb(40, 52, 96), Rgb(238, 150, 96), v); });
        return painter.Result(0.75);
    default: {
        // Sky over the top half, a cube landscape rising from the bottom edge.
        IsoPainter wide(1024, 576, 45, 24);
        wide.Fit({0, 0, 0}, {40, 34, 40}, -0.3);
        wide.Background([](double u, double v) {
            Rgba sky = Mix(Rgb(34, 56, 110), Rgb(236, 176, 120), std::pow(v, 1.3));
            const double cloud = SmoothStep(0.55, 0.75, TiledFbm(u, v, 3, 10, 5, 90)) * (1 - SmoothStep(0.3, 0.6, v));
            return Mix(sky, Rgb(250, 214, 190), cloud * 0.6);
        });
        PaintLandScene(wide, 40, false);
        return wide.Result(0.8);
    }
    }
}

// ---------------------------------------------------------------------------
// Biome graph
// ---------------------------------------------------------------------------
// Temperature runs along the columns (cold at column 0), precipitation along
// the rows in file order (dry in the first row). The landscape generator reads
// texel (T (W - 1), P (H - 1)). A Whittaker-like layout: tundra and boreal
// forest in the cold, deserts where it is dry, forests and rainforests where
// it is wet.
int BiomeAt(double temperature, double precipitation)
{
    using namespace catalogue;
    if (temperature < 0.18) return kTundra;
    if (temperature < 0.38) return precipitation < 0.12 ? kTundra : kBorealForest;
    if (temperature < 0.68) {
        if (precipitation < 0.22) return kDesert;
        if (precipitation < 0.45) return kSeasonalForest;
        if (precipitation < 0.72) return kTemperateForest;
        return kTemperateRainforest;
    }
    if (precipitation < 0.22) return kDesert;
    if (precipitation < 0.42) return kSavanna;
    if (precipitation < 0.66) return kTropicalWoodland;
    return kRainforest;
}

Image BiomeGraph()
{
    constexpr int kSize = 128;
    Image graph(kSize, kSize);
    for (int row = 0; row < kSize; ++row)
        for (int column = 0; column < kSize; ++column)
            graph.At(column, row) =
                FromRgb(catalogue::kBiomes[BiomeAt(column / double(kSize - 1), row / double(kSize - 1))].colour);
    return graph;
}

}  // namespace

// ---------------------------------------------------------------------------
// main
// ---------------------------------------------------------------------------
int main(int argc, char** argv)
{
    std::filesystem::path start;
    if (!FolderArgument(argc, argv, "make_textures <start directory>", &start)) return 2;
    const std::filesystem::path textures = start / "Textures", ui = start / "TexturesUI";
    std::error_code error;
    std::filesystem::create_directories(textures, error);
    std::filesystem::create_directories(ui, error);

    bool ok = true;
    auto save = [&](const std::filesystem::path& path, const Image& image) {
        const std::string extension = path.extension().string();
        const bool written = extension == ".dds" ? WriteDds(path, image)
                             : extension == ".tga" ? WriteTga(path, image)
                                                   : WriteJpeg(path, image);
        if (!written) {
            std::fprintf(stderr, "make_textures: cannot write %s\n", path.c_str());
            ok = false;
        }
    };

    save(textures / "laminat_surface.dds", LaminatSurface());
    save(textures / "ground.dds", GroundStones());
    for (int i = 0; i < 8; ++i) save(textures / ("rainbow_" + std::to_string(i + 1) + ".dds"), Rainbow(i));
    save(textures / "pcross4.dds", AimingCross());
    save(textures / "skybox_side.jpg", SkyboxSide());
    save(textures / "skybox_top.jpg", SkyboxTop());
    save(textures / "skybox_bottom.jpg", SkyboxBottom());
    for (size_t i = 0; i < catalogue::kBlockCount; ++i)
        save(textures / catalogue::kBlocks[i].texture, BlockTexture(catalogue::kBlocks[i], 100 + static_cast<uint32_t>(i)));

    {
        IsoPainter blank(256, 256);
        PaintBlankScene(blank);
        IsoPainter tube(256, 256);
        PaintTubeScene(tube);
        IsoPainter land(256, 256);
        land.Background(DaySky);
        PaintLandScene(land, 16);
        const struct {
            const char* name;
            Image image;
        } thumbnails[] = {{"blank_scene_thumbnail.jpg", blank.Result()},
                          {"tube_scene_thumbnail.jpg", tube.Result()},
                          {"land_scene_thumbnail.jpg", land.Result()}};
        for (const auto& thumbnail : thumbnails) {
            save(textures / thumbnail.name, thumbnail.image);
            save(ui / thumbnail.name, thumbnail.image);
        }
    }
    {
        IsoPainter autoScene(428, 256);
        PaintAutoScene(autoScene);
        save(textures / "auto_generated_scene.jpg", autoScene.Result());
        IsoPainter objects(428, 256);
        PaintObjectsScene(objects);
        save(textures / "objects_generated_scene.jpg", objects.Result());
    }
    for (int i = 0; i < 3; ++i) save(ui / ("background" + std::to_string(i) + ".jpg"), Background(i));

    save(start / "temp-percp-graph.tga", BiomeGraph());
    return ok ? 0 : 1;
}

// The block library: ".bk" reader and the CWorld operations that keep the
// library, its textures, the QuickBar and the per-type settings.
//
// Sections:
//   numbers and text       number tokens and their conversions, names, keys
//   the line reader        BlockTextReader: one line at a time
//   checks after the text  what the mesh, animation and physics code index
//   world helpers          reading one file, block textures, the QuickBar
//   entry points           FindBlockNumbers, TrimChars, ParseBlockText
//   world operations       CWorld::ParseBlockFile, LoadBlocks,
//                          GetBlockSettings, SetBlockSettings
#include "world/block_library.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "core/name_key.h"
#include "graphics/driver.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/log.h"
#include "shell/start_directory.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Numbers and text
// ---------------------------------------------------------------------------

// Every rule needs to know only whether a line holds 1..7 numbers (and which
// the first few are), so scanning stops after this many.
constexpr size_t kNumberScanLimit = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool HasLetter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool ContainsNumber(std::string_view text)
{
    std::string_view first;
    return FindBlockNumbers(text, &first, 1) == 1;
}

// The float of one number token. Tokens carry no exponent, so a value out of
// range is either too large (refused: atof would give infinity) or too small
// (0 with its sign).
std::optional<float> TokenFloat(std::string_view token)
{
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool negative = !token.empty() && token.front() == '-';
        const std::string_view digits = negative ? token.substr(1) : token;
        const size_t point = digits.find('.');
        const std::string_view whole = digits.substr(0, point);
        if (whole.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
        return negative ? -0.0f : 0.0f;
    }
    if (error != std::errc() || end != token.data() + token.size()) return std::nullopt;
    const float result = static_cast<float>(value);
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

// The integer value of one number token: its sign and its leading decimal
// digits ("2.9" gives 2, ".5" gives 0). Null when it does not fit 32 bits.
std::optional<int32_t> TokenInteger(std::string_view token)
{
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    int64_t value = 0;
    for (; i < token.size() && IsDigit(token[i]); ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > int64_t{1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// The first `n` tokens as floats; false when any of them is not finite.
bool TokenFloats(const std::string_view* tokens, size_t n, float* out)
{
    for (size_t i = 0; i < n; ++i) {
        const std::optional<float> value = TokenFloat(tokens[i]);
        if (!value) return false;
        out[i] = *value;
    }
    return true;
}

// C atof over the whole rest of a line: leading white space, a sign, then as
// much of a number as there is; 0 when there is none. Null when the number is
// not finite ("materialpower: nan 5").
std::optional<float> LeadingFloat(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    text.remove_prefix(i);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return 0.0f;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end == text.data()) return 0.0f;  // no conversion
    if (error != std::errc()) return std::nullopt;
    const float result = static_cast<float>(value);
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

// Names are UTF-8 when they are valid UTF-8; any other bytes are widened one
// by one, so no byte of a name is lost.
std::u16string WidenName(std::string_view bytes)
{
    std::u16string wide = platform::Utf8ToUtf16(bytes);
    if (platform::Utf16ToUtf8(wide) == bytes) return wide;
    wide.assign(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return wide;
}

// Removes the first occurrence of `key` from `line`; false when there is none.
bool TakeKey(std::string& line, std::string_view key)
{
    const size_t at = line.find(key);
    if (at == std::string::npos) return false;
    line.erase(at, key.size());
    return true;
}

// The same for a sub-key, found in the lower-cased copy and removed from both.
bool TakeSubKey(std::string& line, std::string& lowered, std::string_view key)
{
    const size_t at = lowered.find(key);
    if (at == std::string::npos) return false;
    line.erase(at, key.size());
    lowered.erase(at, key.size());
    return true;
}

// ---------------------------------------------------------------------------
// The line reader
// ---------------------------------------------------------------------------

enum Section : int {
    kSectionNone = 0,
    kSectionVertices = 1,
    kSectionNormals = 2,
    kSectionTriangles = 3,
    kSectionTexCoords = 4,
    kSectionPhysics = 5,
    kSectionSimpleAnimation = 7,
    kSectionBoneAnimation = 8,
    kSectionWeights = 9,
};

enum PhysicsSelector : int { kPhysicsNone = 0, kPhysicsShape = 1, kPhysicsMass = 2 };

enum AnimationSelector : int {
    kAnimNone = 0,
    kAnimKeyframes = 1,
    kAnimBones = 2,
    kAnimTotalWeights = 3,
    kAnimFrameTime = 4,
    kAnimBone = 5,
    kAnimRow0 = 6,
    kAnimRow1 = 7,
    kAnimRow2 = 8,
    kAnimRow3 = 9,
    kAnimTimeScaling = 10,
};

struct SectionKey {
    std::string_view key;
    int section;
};

// Searched in this order; the last one found on a line wins.
constexpr SectionKey kSectionKeys[] = {
    {"vertices:", kSectionVertices},         {"normals:", kSectionNormals},
    {"trinagles:", kSectionTriangles},       {"triangles:", kSectionTriangles},
    {"physics:", kSectionPhysics},           {"textcoord:", kSectionTexCoords},
    {"simple_animation:", kSectionSimpleAnimation}, {"bone_animation:", kSectionBoneAnimation},
    {"vert_weight:", kSectionWeights},
};

struct SubKey {
    std::string_view key;
    int value;
};

constexpr SubKey kShapeKeys[] = {
    {"cube:", 1}, {"sphere:", 2}, {"cone:", 3}, {"cylinder:", 4}, {"trimesh:", 5},
};

constexpr SubKey kAnimationKeys[] = {
    {"keyframes:", kAnimKeyframes},   {"allbones:", kAnimBones}, {"totalweightnum:", kAnimTotalWeights},
    {"ftime:", kAnimFrameTime},       {"bone:", kAnimBone},      {"row0:", kAnimRow0},
    {"row1:", kAnimRow1},             {"row2:", kAnimRow2},      {"row3:", kAnimRow3},
    {"animtimescaling:", kAnimTimeScaling},
};

class BlockTextReader {
public:
    BlockTextReader(BlockType& type, BlockFileReport& report) : type_(type), report_(report)
    {
        pendingKey_.matrix.SetIdentity();
    }

    // False when the text is refused (report_.failure says why). Lines end
    // at LF, CR LF or a lone CR (old Mac editors and unix2mac write those);
    // the empty lines this makes of CR LF are skipped like any other.
    bool Read(std::string_view text)
    {
        while (!text.empty()) {
            const size_t end = text.find_first_of("\r\n");
            const std::string_view line = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            if (line.empty()) continue;
            if (!ReadLine(line)) return false;
        }
        return true;
    }

private:
    bool ReadLine(std::string_view raw)
    {
        std::string line;
        line.reserve(raw.size());
        for (const char c : raw)
            if (c != '\t') line.push_back(c);

        if (line.find('}') != std::string::npos) {
            section_ = kSectionNone;
            physics_ = kPhysicsNone;
        }
        ApplyValueKeys(line);
        for (const SectionKey& key : kSectionKeys)
            if (TakeKey(line, key.key)) {
                section_ = key.section;
                if (key.section == kSectionSimpleAnimation) type_.animationMode = 1;
                if (key.section == kSectionBoneAnimation) type_.animationMode = 2;
            }
        if (HasLetter(line)) ApplySubKeys(line);

        std::string_view numbers[kNumberScanLimit];
        const size_t count = FindBlockNumbers(line, numbers, kNumberScanLimit);
        return ApplyNumbers(numbers, count);
    }

    // Keys that set one field from the rest of the line. Each is removed where
    // it stands, so a key after blanks works like one at the line start.
    void ApplyValueKeys(std::string& line)
    {
        if (TakeKey(line, "name:")) type_.name = WidenName(TrimChars(line, " \t"));
        if (TakeKey(line, "texture:")) type_.textureName = ToLowerWide(WidenName(TrimChars(line, " \t")));
        if (TakeKey(line, "thumbnail:")) type_.thumbnailName = ToLowerWide(WidenName(TrimChars(line, " \t")));
        if (TakeKey(line, "shading:")) {
            const std::string value = ToLowerAscii(TrimChars(line, " \t"));
            if (value == "none") type_.shading = 0;
            else if (value == "phong") type_.shading = 1;
            else if (value == "lambert") type_.shading = 2;
        }
        if (TakeKey(line, "graphicmaterial:")) {
            const std::string value = ToLowerAscii(TrimChars(line, " \t"));
            if (value == "normal") type_.graphicMaterial = 0x1001;
            else if (value == "glass") type_.graphicMaterial = 0x1401;
            else if (value == "mask") type_.graphicMaterial = 0x1201;
        }
        if (TakeKey(line, "materialpower:") && ContainsNumber(line)) {
            if (const std::optional<float> power = LeadingFloat(line)) type_.materialPower = *power;
        }
        if (TakeKey(line, "ambient:")) ApplyColour(line, type_.ambient);
        if (TakeKey(line, "diffuse:")) ApplyColour(line, type_.diffuse);
        if (TakeKey(line, "specular:")) ApplyColour(line, type_.specular);
    }

    // Four numbers give red, green, blue and alpha; three give an opaque
    // colour (alpha 1.0); with any other count the colour is kept.
    static void ApplyColour(std::string_view rest, Vector4& colour)
    {
        std::string_view numbers[kNumberScanLimit];
        const size_t count = FindBlockNumbers(rest, numbers, kNumberScanLimit);
        float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        if ((count != 3 && count != 4) || !TokenFloats(numbers, count, values)) return;
        std::copy(values, values + 4, colour.v);
    }

    // Sub-keys are matched without regard to case.
    void ApplySubKeys(std::string& line)
    {
        std::string lowered = ToLowerAscii(line);
        if (section_ == kSectionPhysics) {
            for (const SubKey& key : kShapeKeys)
                if (TakeSubKey(line, lowered, key.key)) {
                    type_.physicsShape = key.value;
                    physics_ = kPhysicsShape;
                }
            if (TakeSubKey(line, lowered, "mass:")) physics_ = kPhysicsMass;
        } else if (section_ == kSectionSimpleAnimation || section_ == kSectionBoneAnimation) {
            for (const SubKey& key : kAnimationKeys)
                if (TakeSubKey(line, lowered, key.key)) animation_ = key.value;
        }
    }

    // The numbers left on the line, by section. A line whose numbers do not
    // fit (wrong count, not finite, an integer beyond 32 bits) adds nothing.
    bool ApplyNumbers(const std::string_view* numbers, size_t count)
    {
        switch (section_) {
        case kSectionVertices:
        case kSectionNormals: {
            float xyz[3];
            if (count != 3 || !TokenFloats(numbers, 3, xyz)) return true;
            auto& list = section_ == kSectionVertices ? type_.vertices : type_.normals;
            if (list.size() >= kMaxBlockVertices) {
                if (section_ == kSectionVertices) return Refuse("more than 65535 vertices");
                ++report_.droppedNormals;  // more normals than any mesh may have vertices
                return true;
            }
            list.push_back(Vector3{xyz[0], xyz[1], xyz[2]});
            return true;
        }
        case kSectionTriangles: {
            if (count != 3) return true;
            std::array<int32_t, 3> corners{};
            for (size_t i = 0; i < 3; ++i) {
                const std::optional<int32_t> index = TokenInteger(numbers[i]);
                if (!index) return true;
                corners[i] = *index;
            }
            type_.triangles.push_back(corners);
            return true;
        }
        case kSectionTexCoords: {
            float uv[2];
            if (count != 2 || !TokenFloats(numbers, 2, uv)) return true;
            type_.texCoords.push_back(BlockTexCoord{uv[0], uv[1]});
            return true;
        }
        case kSectionPhysics: {
            if (count < 1 || count > 7) return true;
            float values[7];
            if (physics_ == kPhysicsShape) {
                if (TokenFloats(numbers, count, values)) std::copy(values, values + count, type_.shapeParams);
            } else if (physics_ == kPhysicsMass) {
                if (TokenFloats(numbers, 1, values)) type_.mass = values[0];
            }
            return true;
        }
        case kSectionSimpleAnimation:
        case kSectionBoneAnimation:
            if (count < 1 || count > 7) return true;
            return ApplyAnimationNumbers(numbers, count);
        case kSectionWeights: {
            // Vertex, bone, weight: a shorter line is ignored.
            if (count < 3 || count > 7) return true;
            const std::optional<int32_t> vertex = TokenInteger(numbers[0]);
            float values[3];
            if (!vertex || !TokenFloats(numbers, 3, values)) return true;
            // The bone is the second number truncated toward zero.
            if (!(values[1] > -2147483648.0f && values[1] < 2147483648.0f)) return true;
            type_.vertexWeights.push_back(VertexWeightEntry{*vertex, static_cast<int32_t>(values[1]), values[2]});
            return true;
        }
        default:
            return true;
        }
    }

    bool ApplyAnimationNumbers(const std::string_view* numbers, size_t count)
    {
        switch (animation_) {
        case kAnimKeyframes:
        case kAnimBones:
        case kAnimTotalWeights:
        case kAnimBone: {
            const std::optional<int32_t> value = TokenInteger(numbers[0]);
            if (!value) return true;
            if (animation_ == kAnimKeyframes) type_.keyframeCount = *value;
            else if (animation_ == kAnimBones) type_.boneCount = *value;
            else if (animation_ == kAnimTotalWeights) type_.totalWeightCount = *value;
            else pendingKey_.bone = *value;
            return true;
        }
        case kAnimFrameTime: {
            float time;
            if (!TokenFloats(numbers, 1, &time)) return true;
            if (type_.frameTimes.size() >= kMaxBlockAnimationKeys) return Refuse("more than 65536 key times");
            type_.frameTimes.push_back(time);
            return true;
        }
        case kAnimRow0:
        case kAnimRow1:
        case kAnimRow2: {
            // A row needs all four of its numbers; a shorter line is ignored.
            float row[4];
            if (count < 4 || !TokenFloats(numbers, 4, row)) return true;
            std::copy(row, row + 4, pendingKey_.matrix.m + 4 * (animation_ - kAnimRow0));
            return true;
        }
        case kAnimRow3: {
            // The fourth row takes three numbers and 1.0, and completes a key.
            float row[3];
            if (count < 3 || !TokenFloats(numbers, 3, row)) return true;
            if (type_.boneKeys.size() >= kMaxBlockAnimationKeys) return Refuse("more than 65536 animation keys");
            std::copy(row, row + 3, pendingKey_.matrix.m + 12);
            pendingKey_.matrix.m[15] = 1.0f;
            type_.boneKeys.push_back(pendingKey_);
            return true;
        }
        default:
            return true;  // "animtimescaling:" stores nothing
        }
    }

    bool Refuse(const char* why)
    {
        report_.failure = why;
        return false;
    }

    BlockType& type_;
    BlockFileReport& report_;
    int section_ = kSectionNone;
    int physics_ = kPhysicsNone;
    int animation_ = kAnimNone;
    BoneKey pendingKey_;
};

// ---------------------------------------------------------------------------
// Checks after the text
// ---------------------------------------------------------------------------

// Drops the triangles that name a vertex that does not exist, together with
// their three texture-coordinate pairs, so the faces after them keep theirs.
void DropBadTriangles(BlockType& type, BlockFileReport& report)
{
    const int64_t vertexCount = static_cast<int64_t>(type.vertices.size());
    auto inRange = [vertexCount](int32_t index) { return index >= 0 && index < vertexCount; };
    std::vector<std::array<int32_t, 3>> kept;
    std::vector<BlockTexCoord> keptCoords;
    kept.reserve(type.triangles.size());
    keptCoords.reserve(type.texCoords.size());
    const size_t coordCount = type.texCoords.size();
    for (size_t k = 0; k < type.triangles.size(); ++k) {
        const auto& triangle = type.triangles[k];
        const bool good = std::all_of(triangle.begin(), triangle.end(), inRange);
        if (good) kept.push_back(triangle);
        else ++report.droppedTriangles;
        for (size_t c = 3 * k; c < 3 * k + 3 && c < coordCount; ++c)
            if (good) keptCoords.push_back(type.texCoords[c]);
    }
    if (report.droppedTriangles == 0) return;
    for (size_t c = 3 * type.triangles.size(); c < coordCount; ++c) keptCoords.push_back(type.texCoords[c]);
    type.triangles = std::move(kept);
    type.texCoords = std::move(keptCoords);
}

// Exactly one normal per vertex: extra normals go, missing ones point up.
void MatchNormals(BlockType& type, BlockFileReport& report)
{
    const size_t vertexCount = type.vertices.size();
    if (type.normals.size() > vertexCount) {
        report.droppedNormals += static_cast<int>(type.normals.size() - vertexCount);
        type.normals.resize(vertexCount);
    } else if (type.normals.size() < vertexCount) {
        report.paddedNormals = static_cast<int>(vertexCount - type.normals.size());
        type.normals.resize(vertexCount, Vector3{0.0f, 1.0f, 0.0f});
    }
}

void DropBadWeights(BlockType& type, BlockFileReport& report)
{
    const int64_t vertexCount = static_cast<int64_t>(type.vertices.size());
    const int64_t boneCount = type.boneCount;
    const auto bad = [&](const VertexWeightEntry& w) {
        return w.vertexIndex < 0 || w.vertexIndex >= vertexCount || w.boneIndex < 0 || w.boneIndex >= boneCount;
    };
    const auto first = std::remove_if(type.vertexWeights.begin(), type.vertexWeights.end(), bad);
    report.droppedWeights = static_cast<int>(type.vertexWeights.end() - first);
    type.vertexWeights.erase(first, type.vertexWeights.end());
}

// The animation code indexes key k of bone b as record k x bones + b, and key
// times by key: the counts the file announces must match what it holds. A
// block type whose counts do not is kept without its animation (as a posed
// object whose data turn out inconsistent is), so one missing line does not
// take a whole block out of the library and the QuickBar.
void SwitchOffBadAnimation(BlockType& type, BlockFileReport& report)
{
    if (type.animationMode != 1 && type.animationMode != 2) return;
    const int64_t keys = type.keyframeCount;
    const int64_t bones = type.animationMode == 1 ? 1 : type.boneCount;
    const bool consistent = keys >= 0 && bones >= 0 &&
                            static_cast<int64_t>(type.boneKeys.size()) == keys * bones &&
                            static_cast<int64_t>(type.frameTimes.size()) == keys &&
                            !(type.animationMode == 2 && bones > 0 && keys == 0);
    if (consistent) return;
    report.animationOff = std::to_string(keys) + " keys of " + std::to_string(bones) + " bones announced, " +
                          std::to_string(type.boneKeys.size()) + " key records and " +
                          std::to_string(type.frameTimes.size()) + " key times read";
    type.animationMode = 0;
}

// ---------------------------------------------------------------------------
// World helpers
// ---------------------------------------------------------------------------

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void LogBlockFile(const std::string& path, const std::string& text)
{
    WriteLog("Error: CWorld::ParseBlockFile() " + FileNameOf(path) + ": " + text);
}

// Reads and checks one file; null (logged when refused) when it adds nothing.
std::unique_ptr<BlockType> ReadBlockFile(const std::string& path)
{
    const int64_t size = platform::FileSize(path);
    if (size > static_cast<int64_t>(kMaxBlockFileBytes)) {
        LogBlockFile(path, "larger than " + std::to_string(kMaxBlockFileBytes) + " bytes");
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path, bytes, kMaxBlockFileBytes)) return nullptr;  // cannot be opened

    try {
        auto type = std::make_unique<BlockType>();
        type->Init();
        BlockFileReport report;
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (!ParseBlockText(text, *type, report)) {
            LogBlockFile(path, report.failure);
            return nullptr;
        }
        // Worlds, settings and the QuickBar find a block type by its name.
        if (type->name.empty()) {
            const bool utf16 = text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF";
            LogBlockFile(path, utf16 ? "no name: the file is UTF-16 text, block files are read as UTF-8" : "no name");
            return nullptr;
        }
        // A type without a mesh would be offered for placing and draw nothing.
        if (type->vertices.empty() || type->triangles.empty()) {
            LogBlockFile(path, "no mesh: " + std::to_string(type->vertices.size()) + " vertices and " +
                                   std::to_string(type->triangles.size()) + " triangles read");
            return nullptr;
        }
        if (report.Repaired()) LogBlockFile(path, report.RepairText());
        return type;
    } catch (const std::bad_alloc&) {
        LogBlockFile(path, "out of memory");
        return nullptr;
    }
}

// Gives the world a texture of the block type's texture name when it has
// none: the image file of that name in `folder`, or, when it cannot be loaded
// (or there is no driver), a texture without image data.
void EnsureBlockTexture(CWorld& world, const BlockType& type, const std::string& folder)
{
    if (type.textureName.empty() || world.FindTexture(type.textureName.c_str())) return;
    CTexture* texture = new CTexture;
    if (!texture) return;
    texture->SetName(type.textureName);
    try {
        world.textures.push_back(texture);
    } catch (const std::bad_alloc&) {
        CTexture::Delete(texture);
        return;
    }
    if (!world.driver) return;
    // The lower-cased name goes to the driver as it is: its loader is chosen
    // by that name (".dds"), and the loaders find the file in any letter case.
    const std::string file = platform::JoinPath(folder, platform::Utf16ToUtf8(type.textureName));
    world.driver->LoadTextureFromFile(texture, platform::Utf8ToUtf16(file).c_str());
    // The driver names the texture after the path it was given; the world finds
    // it by the block's texture name.
    texture->SetName(type.textureName);
}

bool HasBlockExtension(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos) return false;
    const std::string_view extension = std::string_view(fileName).substr(dot + 1);
    return extension == "bk" || extension == "BK";
}

// Saved names first (letter case ignored, the first match in the library),
// then the library in order, then the library once more, up to ten slots.
void RebuildQuickBar(CWorld& world)
{
    QuickBar& bar = world.quickBar;
    bar.clear();
    for (const std::u16string& saved : world.quickBarNames) {
        const std::u16string name = ToLowerWide(saved);
        for (BlockType* type : world.blockTypes) {
            if (!type || ToLowerWide(type->name) != name) continue;
            if (bar.size() < kQuickBarSlots) bar.push_back(type);
            break;
        }
    }
    const auto fillFromLibrary = [&] {
        for (BlockType* type : world.blockTypes)
            if (type && bar.size() < kQuickBarSlots) bar.push_back(type);
    };
    if (world.quickBarNames.empty()) fillFromLibrary();
    if (bar.size() < kQuickBarSlots) fillFromLibrary();
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------

size_t FindBlockNumbers(std::string_view text, std::string_view* out, size_t limit)
{
    size_t count = 0;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && count < limit) {
        size_t p = i;
        if (text[p] == '+' || text[p] == '-') ++p;
        size_t digitsEnd = p;
        while (digitsEnd < n && IsDigit(text[digitsEnd])) ++digitsEnd;
        size_t end = std::string_view::npos;
        if (digitsEnd + 1 < n && text[digitsEnd] == '.' && IsDigit(text[digitsEnd + 1])) {
            end = digitsEnd + 1;
            while (end < n && IsDigit(text[end])) ++end;
        } else if (digitsEnd > p) {
            end = digitsEnd;
        }
        if (end == std::string_view::npos) {
            ++i;
            continue;
        }
        out[count++] = text.substr(i, end - i);
        i = end;
    }
    return count;
}

std::string TrimChars(std::string_view text, std::string_view chars)
{
    const size_t first = text.find_first_not_of(chars);
    if (first == std::string_view::npos) return std::string();
    const size_t last = text.find_last_not_of(chars);
    return std::string(text.substr(first, last - first + 1));
}

std::string BlockFileReport::RepairText() const
{
    std::string text;
    const auto add = [&text](int count, const char* what) {
        if (count == 0) return;
        if (!text.empty()) text += ", ";
        text += std::to_string(count) + " " + what;
    };
    add(droppedTriangles, "triangles with a vertex out of range dropped");
    add(paddedNormals, "missing normals padded");
    add(droppedNormals, "normals beyond the last vertex dropped");
    add(droppedWeights, "weights with a vertex or bone out of range dropped");
    if (!animationOff.empty()) {
        if (!text.empty()) text += ", ";
        text += "animation switched off, its counts do not match: " + animationOff;
    }
    return text;
}

bool ParseBlockText(std::string_view text, BlockType& type, BlockFileReport& report)
{
    report = BlockFileReport{};
    if (text.size() > kMaxBlockFileBytes) {
        report.failure = "larger than " + std::to_string(kMaxBlockFileBytes) + " bytes";
        return false;
    }
    // Editors that save UTF-8 often put a byte-order mark first; it is no
    // part of the first line's key or value.
    constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) text.remove_prefix(kUtf8ByteOrderMark.size());
    BlockTextReader reader(type, report);
    if (!reader.Read(text)) return false;
    SwitchOffBadAnimation(type, report);
    DropBadTriangles(type, report);
    MatchNormals(type, report);
    DropBadWeights(type, report);
    return true;
}

// ---------------------------------------------------------------------------
// World operations
// ---------------------------------------------------------------------------

void CWorld::ParseBlockFile(const std::string& path)
{
    std::unique_ptr<BlockType> type = ReadBlockFile(path);
    if (!type) return;
    EnsureBlockTexture(*this, *type, FolderOf(path));
    type->ComputeBounds();
    try {
        blockTypes.push_back(type.get());
    } catch (const std::bad_alloc&) {
        return;
    }
    type.release();  // owned by blockTypes now
}

void CWorld::LoadBlocks()
{
    const std::string folder = platform::JoinPath(StartDirectory, "Blocks");
    // Block types already in the library stay (the QuickBar, the objects'
    // tools and the previews point at them); a repeat load after a lost device
    // only brings their textures back.
    const size_t known = blockTypes.size();
    std::vector<platform::DirectoryEntry> entries;
    if (platform::ListDirectory(folder, entries)) {
        for (const platform::DirectoryEntry& entry : entries) {
            if (entry.isDirectory || !HasBlockExtension(entry.name)) continue;
            const std::string path = platform::JoinPath(folder, entry.name);
            std::unique_ptr<BlockType> type = ReadBlockFile(path);
            if (!type) continue;
            const auto sameName = [&type](const BlockType* other) { return other && other->name == type->name; };
            if (std::any_of(blockTypes.begin(), blockTypes.begin() + static_cast<std::ptrdiff_t>(known), sameName))
                continue;
            EnsureBlockTexture(*this, *type, folder);
            type->ComputeBounds();
            try {
                blockTypes.push_back(type.get());
            } catch (const std::bad_alloc&) {
                continue;
            }
            type.release();
        }
    }
    for (size_t i = 0; i < known; ++i)
        if (blockTypes[i]) EnsureBlockTexture(*this, *blockTypes[i], folder);

    RebuildQuickBar(*this);
    for (BlockType* type : blockTypes) {
        if (!type) continue;
        const BlockSettings settings = GetBlockSettings(type);
        type->pitch = settings.pitch;
        type->roll = settings.roll;
        type->yaw = settings.yaw;
    }
}

BlockSettings CWorld::GetBlockSettings(const BlockType* type) const
{
    if (!type) return BlockSettings{};
    for (const BlockSettings& settings : blockSettings)
        if (!settings.name.empty() && settings.name == type->name) return settings;
    return BlockSettings{};
}

void CWorld::SetBlockSettings(BlockSettings settings)
{
    for (BlockSettings& stored : blockSettings)
        if (!stored.name.empty() && stored.name == settings.name) {
            stored = std::move(settings);
            return;
        }
    blockSettings.push_back(std::move(settings));
}

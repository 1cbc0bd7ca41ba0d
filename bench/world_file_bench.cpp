// World file throughput next to a plain copy of the same bytes, and the
// memory a world of small objects takes.
//
//   world_file_bench [folder] [objects]
//
// Two worlds: many small objects (a textured box of 24 vertices and 12
// triangles each, 100,000 by default) and a few large meshes (8 grids of
// 255 x 254 cells with their three halved levels). For each world: saving
// (CWorld::SaveWorldFile: encode, write "<name>.tmp", flush, fsync, rename)
// against fwrite + fflush + fsync of as many bytes, and loading
// (CWorld::LoadWorldFile into a fresh world) against fread of the same file
// into fresh memory. Each pair runs alternately in one child process (the
// machine is shared: a ratio is only fair between figures taken side by
// side), the best of three runs each; the child's peak resident size is
// its own; the peak after the first save shows what saving needs beyond
// the world. The small-object world also gives the heap bytes per object
// (the allocator's bytes in use, before and after building the world).
//
// Lines starting with "row" are the figures the project tracks, each with
// its baseline and its target.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "child_result.h"
#include "platform/files.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

constexpr int kRuns = 3;
constexpr int kLargeMeshes = 8;

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best times of two pieces of work run alternately kRuns times; `prepare`
// runs before each run of the first, outside its time.
std::pair<double, double> BestOfAlternating(const std::function<void()>& first, const std::function<void()>& second,
                                            const std::function<void()>& prepare = {})
{
    double a = 1e30, b = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        if (prepare) prepare();
        a = std::min(a, Seconds(first));
        b = std::min(b, Seconds(second));
    }
    return {a, b};
}

size_t HeapBytesInUse() { return mallinfo2().uordblks; }

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// Runs `work` in a fresh child process (fresh memory, as a program opening
// a world has) and returns the seconds it took there and the child's peak
// resident size in MB; a failed child gives a huge time.
std::pair<double, double> TimedInChild(const std::function<void()>& work)
{
    struct Figures {
        double seconds, peak;
    };
    const Figures figures =
        ResultOfChild<Figures>([&] { return Figures{Seconds(work), PeakMegabytes()}; }, Figures{1e30, 0.0});
    return {figures.seconds, figures.peak};
}

// Runs `phase` in a child process and waits for it.
void InChild(const std::function<void()>& phase)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        phase();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("  (phase failed)\n");
}

// Points the faces at the mesh's arrays, with one texture set each (the
// corner counts are set).
void FinishFaces(CPolygonsGrid& mesh)
{
    mesh.SaveBasePositions();
    mesh.AllocateTexCoords(1);
    for (uint32_t f = 0; f < mesh.faceCount; ++f) {
        PolygonFace& face = mesh.faces[f];
        face.VertexFormat = 0x1003;
        face.faceNormal = Vector3{0.0f, 1.0f, 0.0f};
        face.flatNormal = face.faceNormal;
        for (uint16_t i = 0; i < face.texCoordCount; ++i) face.texCoords[i] = TexCoord{float(i & 1), float(i >> 1)};
        face.cornerIndices = mesh.cornerIndices + face.firstIndex;
    }
    mesh.textureNames[0].name = u"boxwhite.dds";
    mesh.ComputeBounds();
}

CNBObject* NewBox(int index)
{
    auto* object = new CNBObject;
    object->Id = static_cast<uint64_t>(index) + 1;
    object->SetName(("box " + std::to_string(index)).c_str());
    object->TypeName = u"BoxWhite";
    object->Kind = 2;
    object->ShapeKind = 1;
    object->WorldMatrix.m[12] = float(index % 1000);
    object->WorldMatrix.m[14] = float(index / 1000);
    object->AllocateParts(1);
    object->Parts[0].CreateGrid(24, 12, 0);
    CPolygonsGrid& mesh = *object->Parts[0].mainMesh;
    for (uint32_t v = 0; v < 24; ++v) {
        const Vector3 corner{float(v & 1) - 0.5f, float((v >> 1) & 1) - 0.5f, float((v >> 2) & 1) - 0.5f};
        mesh.unscaledPositions[v] = mesh.positions[v] = corner;
        mesh.normals[v] = Vector3{0.0f, 0.0f, 1.0f};
    }
    for (int i = 0; i < mesh.cornerIndexCount; ++i) mesh.cornerIndices[i] = static_cast<uint16_t>((i * 7) % 24);
    for (uint32_t f = 0; f < mesh.faceCount; ++f) {
        mesh.faces[f].corners = 3;
        mesh.faces[f].firstIndex = 3 * f;
    }
    FinishFaces(mesh);
    object->ComputeBounds();
    return object;
}

CNBObject* NewLargeGrid(int index)
{
    auto* object = new CNBObject;
    object->Id = static_cast<uint64_t>(index) + 1;
    object->SetName("terrain");
    object->AllocateParts(1);
    ObjectPart& part = object->Parts[0];
    part.CreateGridLevels(255, 254);
    for (CPolygonsGrid* mesh : {part.mainMesh, part.furtherMeshes[0], part.furtherMeshes[1], part.furtherMeshes[2]}) {
        const int columns = mesh->columnCount1 - 1;
        for (uint32_t v = 0; v < mesh->vertexCount; ++v) {
            const Vector3 p{float(v % (columns + 1)), float(v % 7), float(v / (columns + 1))};
            mesh->unscaledPositions[v] = mesh->positions[v] = p;
            mesh->normals[v] = Vector3{0.0f, 1.0f, 0.0f};
        }
        for (uint32_t f = 0; f < mesh->faceCount; ++f) {
            const uint16_t corner = static_cast<uint16_t>(f / columns * (columns + 1) + f % columns);
            uint16_t* quad = mesh->cornerIndices + 4 * f;
            quad[0] = corner;
            quad[1] = static_cast<uint16_t>(corner + 1);
            quad[2] = static_cast<uint16_t>(corner + columns + 2);
            quad[3] = static_cast<uint16_t>(corner + columns + 1);
            mesh->faces[f].corners = 4;
            mesh->faces[f].firstIndex = 4 * f;
        }
        FinishFaces(*mesh);
    }
    object->ComputeBounds();
    return object;
}

void Fill(CWorld& world, bool large, int objects)
{
    world.RecreateSectors(16);
    const int count = large ? kLargeMeshes : objects;
    world.objects.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) world.objects.push_back(large ? NewLargeGrid(i) : NewBox(i));
}

void PlainWrite(const std::string& path, const std::vector<uint8_t>& bytes, bool sync)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::exit(1);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::exit(1);
    std::fflush(file);
    if (sync) fsync(fileno(file));
    std::fclose(file);
}

// Into fresh memory, as any loader has to.
void PlainRead(const std::string& path, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) std::exit(1);
    auto* bytes = static_cast<uint8_t*>(std::malloc(size));
    if (!bytes || std::fread(bytes, 1, size, file) != size) std::exit(1);
    std::fclose(file);
    std::free(bytes);
}

void Bench(const std::string& folder, bool large, int objects)
{
    const std::string path = platform::JoinPath(folder, large ? "large_meshes.vsk" : "many_objects.vsk");
    const std::string plain = path + ".plain";
    const int count = large ? kLargeMeshes : objects;
    std::printf("\n== %s: %d objects ==\n", large ? "a few large meshes" : "many small objects", count);

    InChild([&] {
        CWorld world;
        const size_t heapBefore = HeapBytesInUse();
        const double build = Seconds([&] { Fill(world, large, objects); });
        const double perObject = double(HeapBytesInUse() - heapBefore) / count;
        const double worldPeak = PeakMegabytes();
        if (!world.SaveWorldFile(path.c_str())) std::exit(1);
        const double savePeak = PeakMegabytes();  // before the plain write's copy of the bytes
        const std::vector<uint8_t> bytes(static_cast<size_t>(platform::FileSize(path)), 0x5A);
        const double megabytes = double(bytes.size()) / 1e6;
        const auto [save, synced] = BestOfAlternating([&] { if (!world.SaveWorldFile(path.c_str())) std::exit(1); },
                                                      [&] { PlainWrite(plain, bytes, true); });
        std::printf("file            %10.1f MB (built in %.2f s; %.0f heap bytes per object, %.0f MB resident)\n",
                    megabytes, build, perObject, worldPeak);
        std::printf("save            %10.3f s %8.0f MB/s %10.0f objects/s   peak %6.0f MB (%+.0f MB over the world)\n",
                    save, megabytes / save, count / save, savePeak, savePeak - worldPeak);
        std::printf("plain write     %10.3f s %8.0f MB/s (fwrite + fflush + fsync)\n", synced, megabytes / synced);
        if (large) return;
        std::printf("row  world save, %d small objects: %.3f s = %.2fx a plain fwrite + fsync (%.3f s)"
                    "   target at most 1.5x\n", count, save, save / synced, synced);
        std::printf("row  memory per box object (no device): %.1f KB   target at most 8 KB\n", perObject / 1024.0);
    });
    const int64_t size = platform::FileSize(path);
    if (size <= 0) return;
    const double megabytes = double(size) / 1e6;

    double load = 1e30, read = 1e30, peak = 0.0;
    for (int run = 0; run < kRuns; ++run) {
        const auto [seconds, megabytesPeak] = TimedInChild([&] {
            auto* world = new CWorld;  // left to the child's exit: its destruction is not part of the load
            if (!world->LoadWorldFile(path.c_str()) || world->GetObjectCount() != count) std::_Exit(1);
        });
        load = std::min(load, seconds);
        peak = std::max(peak, megabytesPeak);
        read = std::min(read, TimedInChild([&] { PlainRead(path, static_cast<size_t>(size)); }).first);
    }
    std::printf("load            %10.3f s %8.0f MB/s %10.0f objects/s   peak %6.0f MB\n", load, megabytes / load,
                count / load, peak);
    std::printf("plain read      %10.3f s %8.0f MB/s (fread into fresh memory)\n", read, megabytes / read);
    if (!large)
        std::printf("row  world load, %d small objects: %.3f s = %.2fx a plain fread (%.3f s)"
                    "   target at most 2x and under 0.8 s\n", count, load, load / read, read);
    if (!std::getenv("VESK_BENCH_KEEP")) platform::DeleteFile(path);
    platform::DeleteFile(plain);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp/vesk-world-bench";
    const int objects = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    platform::CreateDirectory(folder);
    if (!platform::DirectoryExists(folder)) {
        std::fprintf(stderr, "cannot use the folder %s\n", folder.c_str());
        return 1;
    }
    Bench(folder, false, objects);
    Bench(folder, true, objects);
    return 0;
}

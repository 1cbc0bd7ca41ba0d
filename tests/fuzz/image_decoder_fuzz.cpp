// The image decoder against arbitrary bytes: the guards in front of
// stb_image and stb itself must refuse a bad file or give a frame whose
// pixels copy, in its own format at its own size and scaled to another
// format and size, without touching memory outside the buffers.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/image_decoder.h"

// Every allocation starts as 0xFF bytes, not as whatever the heap held, so
// a decoder that reads memory it never wrote fails the same way on every
// run; and undefined behaviour stops the run instead of being only reported.
extern "C" const char* __asan_default_options() { return "max_malloc_fill_size=2147483647:malloc_fill_byte=255"; }
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

namespace {

void Copy(const platform::ImageFrame& frame, platform::WICPixelFormat format, uint32_t width, uint32_t height)
{
    const uint32_t pitch = width * (platform::WICBitsPerPixel(format) / 8);
    std::vector<uint8_t> pixels(size_t {pitch} * height);
    const HResult result = frame.CopyPixels(format, width, height, pitch, pixels.data(), pixels.size());
    if (result != S_OK && result != platform::WINCODEC_ERR_BADIMAGE && result != E_OUTOFMEMORY) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::ImageFrame frame;
    if (Failed(frame.OpenMemory(std::vector<uint8_t>(data, data + size)))) return 0;
    if (frame.Container() == platform::ImageContainer::Dds) return 0;
    if (frame.Width() == 0 || frame.Height() == 0 || platform::WICBitsPerPixel(frame.PixelFormat()) == 0)
        std::abort();
    platform::MetadataValue value;
    frame.GetMetadataByName("/sRGB/RenderingIntent", &value);
    frame.GetMetadataByName("System.Image.ColorSpace", &value);
    // A few bytes of header may honestly promise a huge picture: decoding it
    // costs time and memory, not safety, so pictures above 512 x 512 stop here
    // and the fuzzer's time goes to the codecs' paths instead.
    if (uint64_t {frame.Width()} * frame.Height() > (uint64_t {1} << 18)) return 0;
    Copy(frame, frame.PixelFormat(), frame.Width(), frame.Height());
    Copy(frame, platform::WICPixelFormat32bppRGBA, 5, 3);
    return 0;
}

#include "platform/gpu/gl_names.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include "platform/window_internal.h"

namespace gpu {

GlName MakeGlName(uint32_t name) { return GlName {name, platform::GlContextGeneration()}; }

bool GlNameDeletable(const GlName& name)
{
    return name.name != 0 && name.generation == platform::GlContextGeneration() && GlReady();
}

bool GlReady() { return SDL_GL_GetCurrentContext() != nullptr; }

namespace {
uint64_t appliedGlStateEpoch = 1;
}  // namespace

void ForgetAppliedGlState() { ++appliedGlStateEpoch; }

uint64_t AppliedGlStateEpoch() { return appliedGlStateEpoch; }

void DrainGlErrors()
{
    for (int guard = 0; guard < 64 && glGetError() != GL_NO_ERROR; ++guard) {
    }
}

}  // namespace gpu

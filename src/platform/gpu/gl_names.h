// GL object names as the layer's objects keep them: each remembers the GL
// context generation it was made in, and is deleted only while that context
// is still the live one (a release after the window went away does nothing).
// Plain integers here, so the layer's public headers stay free of GL and SDL.
#pragma once

#include <cstdint>

namespace gpu {

struct GlName {
    uint32_t name = 0;
    uint32_t generation = 0;
};

GlName MakeGlName(uint32_t name);
bool GlNameDeletable(const GlName& name);

// True while some GL context is current on this thread: every GL call of the
// layer checks it first and fails cleanly without one.
bool GlReady();

// Forgets errors of earlier calls, so the next glGetError speaks for the call
// being checked.
void DrainGlErrors();

// The immediate context remembers what its draws left in GL and issues only
// the calls that change it. That memory holds only while nothing else
// touches GL: code that changes GL state outside the context's draw path
// (presenting, read-backs, Dear ImGui's renderer) or deletes a GL object the
// context may have bound (GL may hand its name out again) calls
// ForgetAppliedGlState, and the next draw states everything afresh.
void ForgetAppliedGlState();
// Changes at every ForgetAppliedGlState; never 0.
uint64_t AppliedGlStateEpoch();

}  // namespace gpu

#include "platform/gpu/conventions.h"

#include <epoxy/gl.h>

namespace gpu {

void ApplyTargetOrigin(bool backBufferBound)
{
    glClipControl(backBufferBound ? GL_LOWER_LEFT : GL_UPPER_LEFT, GL_ZERO_TO_ONE);
}

void ApplyFrontFace(bool frontCounterClockwise) { glFrontFace(frontCounterClockwise ? GL_CCW : GL_CW); }

GlRect ToGlRect(float left, float top, float width, float height, uint32_t targetHeight, bool backBuffer)
{
    // GL's row 0 is the top of a texture's image (uploaded and rendered with
    // the upper-left origin) but the bottom of the back buffer.
    const float y = backBuffer ? static_cast<float>(targetHeight) - (top + height) : top;
    return GlRect {left, y, width, height};
}

}  // namespace gpu

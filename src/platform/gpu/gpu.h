// The Direct3D-11-shaped GPU layer over OpenGL 4.5, in one include for the
// program's driver code.
#pragma once

#include "platform/gpu/context.h"
#include "platform/gpu/device.h"
#include "platform/gpu/enumeration.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/shaders.h"
#include "platform/gpu/states.h"
#include "platform/gpu/swap_chain.h"
#include "platform/gpu/views.h"

#include "ui/stepped_slider.h"

bool SteppedSliderFloat(const char* /*label*/, float* /*value*/, float /*min*/, float /*max*/, float /*step*/)
{
    // TODO(front-end)
    return false;
}

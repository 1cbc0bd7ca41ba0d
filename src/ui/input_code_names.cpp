#include "ui/input_code_names.h"

int InputCodeName(char* /*buffer*/, int32_t /*code*/)
{
    // TODO(options): the names of every input code.
    return 0;
}

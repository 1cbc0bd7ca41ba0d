// Starting another program without waiting for it (_wspawnl with _P_NOWAIT),
// as the update path does with a downloaded installer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Starts `path` with `arguments` (argv[1...]) and returns its process id at
// once, or -1 when it cannot be started (missing, not executable, not a
// program the system can run). The child is reaped in the background when it
// ends, so it never lingers as a zombie.
intptr_t StartProcess(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace platform

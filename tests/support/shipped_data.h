// The shipped data of the start directory the tests run in (the build's
// program folder), read or copied into a test's own folder.
#pragma once

#include <string>

#include "support/temp_directory.h"

// The bytes of a shipped file (a failure is reported to the running test).
std::string Shipped(const std::string& path);
// Every file of a shipped folder into the same folder of `to`.
void CopyShippedFolder(const TempDirectory& to, const std::string& folder);

// Programs of the host that the platform starts (the folder chooser, the elevation prompt).
#pragma once

#include <string>

namespace platform {

// The first executable file named program in the folders of $PATH; empty when there is none.
std::string FindProgramOnPath(const char* program);

} // namespace platform

#include "platform/HostPrograms.h"

#include <cstdlib>
#include <unistd.h>

namespace platform {

std::string FindProgramOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    const std::string entries = path ? path : "";
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find(':', start);
        if (end == std::string::npos) {
            end = entries.size();
        }
        const std::string folder = entries.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + program;
            if (access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

} // namespace platform

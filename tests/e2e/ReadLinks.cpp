// kelto-e2e-links <host path of a .lnk file>...: prints each shell link as
// "<file>|<target>|<arguments>|<working folder>", one per line, so that the end-to-end scripts
// can compare the shortcuts an installation made. Exits with 1 when a file does not decode.
#include "platform/ShellLink.h"
#include "platform/Text.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        platform::ShellLink link;
        if (!platform::DecodeShellLink(bytes, &link)) {
            std::printf("%s|<not a shell link>\n", argv[i]);
            ++failures;
            continue;
        }
        std::printf("%s|%s|%s|%s\n", argv[i], platform::WideToNarrow(link.target).c_str(),
                    platform::WideToNarrow(link.arguments).c_str(),
                    platform::WideToNarrow(link.workingFolder).c_str());
    }
    return failures == 0 ? 0 : 1;
}

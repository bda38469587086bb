// A stand-in for each program of the product. Started, it appends one record of how it was
// started to a record file, waits, and exits with a chosen code.
//
// Settings come from the environment, or, for each one the environment leaves unset, from
// "testproduct.ini" next to the program (lines key=value):
//   KELTO_TESTPRODUCT_RECORD   record=<host path>     the record file (nothing recorded without)
//   KELTO_TESTPRODUCT_EXIT     exit_code=<n>          the exit code (default 0)
//   KELTO_TESTPRODUCT_SLEEP_MS sleep_ms=<n>           how long to run before exiting (default 0)
//   KELTO_TESTPRODUCT_DOCK     dock=1                 own the taskbar while running: a dock
//                                                     window on $DISPLAY (a desktop session's
//                                                     stand-in for the desktop-user tests)
//   KELTO_TESTPRODUCT_DOCK_PID dock_pid=<n>           the process id the dock window claims in
//                                                     its _NET_WM_PID (default: its own)
//
// A record, one "key=value" per line:
//   program=<file name of its image>   command_line=<the Windows command line>
//   argc=<n>  argv[i]=<argument>       user=<login name>  uid=<user id>
//   working_folder=<Windows or host path>  pid=<process id>  exit_code=<n>
//   descriptors=<fd>:<target>,...  (every descriptor above 2 it was started with)
//   env:<NAME>=<value>  (one line per variable of its environment)  end
#include "platform/DesktopUser.h"
#include "platform/DynamicLibrary.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace {

std::map<std::string, std::string> ReadSettingsFile(const std::filesystem::path& file) {
    std::map<std::string, std::string> settings;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            settings[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return settings;
}

std::string Setting(const char* variable, const char* key,
                    const std::map<std::string, std::string>& file) {
    if (const char* value = std::getenv(variable); value != nullptr) {
        return value;
    }
    auto it = file.find(key);
    return it == file.end() ? std::string() : it->second;
}

// The descriptors above 2 this program was started with, as "fd:target" joined by ','. The
// listing's own descriptor points at the listed folder and is left out.
std::string InheritedDescriptors() {
    std::string list;
    std::error_code error;
    const std::filesystem::path own =
        "/proc/" + std::to_string(platform::CurrentProcessId()) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        if (fd <= 2 || target == own) {
            continue;
        }
        list += (list.empty() ? "" : ",") + std::to_string(fd) + ":" + target.string();
    }
    return list;
}

} // namespace

extern char** environ;

int main(int argc, char** argv) {
    const std::filesystem::path self(platform::MainModuleFileName());
    const auto file = ReadSettingsFile(self.parent_path() / "testproduct.ini");
    const std::string recordPath = Setting("KELTO_TESTPRODUCT_RECORD", "record", file);
    const int exitCode = std::atoi(Setting("KELTO_TESTPRODUCT_EXIT", "exit_code", file).c_str());
    const int sleepMs = std::atoi(Setting("KELTO_TESTPRODUCT_SLEEP_MS", "sleep_ms", file).c_str());

    if (!recordPath.empty()) {
        std::string record;
        record += "program=" + self.filename().string() + "\n";
        record +=
            "command_line=" + platform::WideToNarrow(platform::CurrentCommandLine(argc, argv)) +
            "\n";
        record += "argc=" + std::to_string(argc) + "\n";
        for (int i = 0; i < argc; ++i) {
            record += "argv[" + std::to_string(i) + "]=" + argv[i] + "\n";
        }
        record += "user=" + platform::CurrentUserName() + "\n";
        record += "uid=" + std::to_string(platform::CurrentUserId()) + "\n";
        record +=
            "working_folder=" + platform::WideToNarrow(platform::CurrentWorkingFolder()) + "\n";
        record += "pid=" + std::to_string(platform::CurrentProcessId()) + "\n";
        record += "exit_code=" + std::to_string(exitCode) + "\n";
        record += "descriptors=" + InheritedDescriptors() + "\n";
        for (char** entry = environ; entry && *entry; ++entry) {
            record += std::string("env:") + *entry + "\n";
        }
        record += "end\n";
        // One write in append mode, so records of copies running at once never interleave.
        if (std::FILE* out = std::fopen(recordPath.c_str(), "ab")) {
            std::fwrite(record.data(), 1, record.size(), out);
            std::fclose(out);
        }
    }
    std::unique_ptr<platform::DockWindowForTesting> dock;
    if (Setting("KELTO_TESTPRODUCT_DOCK", "dock", file) == "1") {
        // A display that has just started may not answer yet.
        for (int tries = 0; tries < 100 && !dock; ++tries) {
            dock = platform::DockWindowForTesting::Create(static_cast<uint32_t>(
                std::atoi(Setting("KELTO_TESTPRODUCT_DOCK_PID", "dock_pid", file).c_str())));
            if (!dock) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    if (sleepMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    }
    return exitCode;
}

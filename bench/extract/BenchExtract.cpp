// bench_extract generate <folder> <megabytes>: writes a tree of text-like files (a product's
//   mix of sizes, deterministic) of about that many megabytes.
// bench_extract extract <archive> <folder>: extracts in-process through the engine front end and
//   prints the seconds it took.
#include "install/ArchiveEngine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Generate(const fs::path& folder, long megabytes) {
    static const char* const kWords[] = {
        "convert", "clip",  "wave",   "frame", "audio",  "video", "codec",  "stream", "buffer",
        "kelto",   "pixel", "sample", "rate",  "header", "chunk", "encode", "decode", "track",
        "format",  "layer", "filter", "scale", "render", "queue", "thread", "render", "mux"};
    std::mt19937 random(20260101);
    const uint64_t target = static_cast<uint64_t>(megabytes) << 20;
    uint64_t written = 0;
    int index = 0;
    while (written < target) {
        const fs::path file = folder / ("dir" + std::to_string(index % 97)) /
                              ("sub " + std::to_string(index % 13)) /
                              ("file_" + std::to_string(index) + ".dat");
        fs::create_directories(file.parent_path());
        // Mostly small files with a few large ones, as in an installed product.
        size_t size = (index % 50 == 0) ? 400000 + random() % 400000 : 1000 + random() % 30000;
        std::string text;
        text.reserve(size + 16);
        while (text.size() < size) {
            if (random() % 8 == 0) {
                for (int i = 0; i < 8; ++i) {
                    text += static_cast<char>('!' + random() % 90);
                }
            } else {
                text += kWords[random() % (sizeof kWords / sizeof kWords[0])];
            }
            text += (random() % 12 == 0) ? '\n' : ' ';
        }
        std::ofstream(file, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(size));
        written += size;
        ++index;
    }
    std::printf("%d files, %llu bytes\n", index, static_cast<unsigned long long>(written));
    return 0;
}

int Extract(const std::string& archive, const std::string& folder) {
    const std::string output = "-o" + folder;
    const char* argv[] = {"bench_extract", "x", archive.c_str(), output.c_str()};
    int errors = 0;
    const auto start = std::chrono::steady_clock::now();
    const int code = RunSevenZipEntry(
        4, argv, &errors, [](void* context, int) { ++*static_cast<int*>(context); }, nullptr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", seconds);
    return code == 0 && errors == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "generate") {
        return Generate(argv[2], std::atol(argv[3]));
    }
    if (argc == 4 && std::string(argv[1]) == "extract") {
        return Extract(argv[2], argv[3]);
    }
    std::fprintf(stderr,
                 "usage: bench_extract generate <folder> <MB> | extract <archive> <folder>\n");
    return 2;
}

// kelto-skinart: draws the installer's skin bitmaps and its icon into a folder, as the files the
// build embeds (bmp_<id>.bmp, icon_<id>.png). Run by hand after changing the artwork:
//
//   kelto-skinart res/skin

#include "tools/skinart/Art.h"
#include "tools/skinart/ImageFiles.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelto-skinart <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    int failures = 0;
    for (const skinart::BitmapFormat& format : skinart::BitmapFormats()) {
        std::vector<uint8_t> bytes = skinart::RenderBitmap(format.id);
        std::string path = folder + "/bmp_" + std::to_string(format.id) + ".bmp";
        if (bytes.empty() || !skinart::WriteFile(path, bytes)) {
            std::fprintf(stderr, "kelto-skinart: cannot draw or write %s\n", path.c_str());
            ++failures;
        }
    }
    std::vector<uint8_t> icon = skinart::RenderIcon();
    std::string iconPath = folder + "/icon_" + std::to_string(skinart::kIconId) + ".png";
    if (icon.empty() || !skinart::WriteFile(iconPath, icon)) {
        std::fprintf(stderr, "kelto-skinart: cannot draw or write %s\n", iconPath.c_str());
        ++failures;
    }
    if (failures) {
        return 1;
    }
    std::printf("kelto-skinart: %zu bitmaps and 1 icon written to %s\n",
                skinart::BitmapFormats().size(), folder.c_str());
    return 0;
}

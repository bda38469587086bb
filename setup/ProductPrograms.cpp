#include "setup/ProductPrograms.h"

#include "app/BuildConfig.h"
#include "app/DiskPaths.h"
#include "app/TextConv.h"
#include "install/ProductNames.h"

namespace {

std::wstring WebPage(const char* path) {
    return AnsiToWide(std::string("https://") + build::kWebHost + path);
}

} // namespace

ProgramNames NamesOf(ProductProgram program, bool is64Bit) {
    if (program == ProductProgram::Converter) {
        return {is64Bit ? kConverterExecutable64 : kConverterExecutable,
                is64Bit ? L"Kelto Clipwave Converter (x64)" : L"Kelto Clipwave Converter",
                "Kelto Clipwave Converter",
                kConverterFolderName,
                is64Bit ? kConverterKeyName64 : kConverterKeyName,
                WebPage("/clipwave-converter")};
    }
    return {is64Bit ? kDownloaderExecutable64 : kDownloaderExecutable,
            is64Bit ? L"Kelto Clipwave Downloader (x64)" : L"Kelto Clipwave Downloader",
            "Kelto Clipwave Downloader",
            kDownloaderFolderName,
            is64Bit ? kDownloaderKeyName64 : kDownloaderKeyName,
            WebPage("/clipwave-downloader")};
}

ProgramPaths PathsOf(const std::wstring& installFolder, const ProgramNames& names) {
    ProgramPaths paths;
    paths.folder = installFolder;
    PathAppend(paths.folder, names.folderName);
    paths.executable = paths.folder + L"\\" + names.executable;
    paths.uninstaller = paths.folder + L"\\" + kUninstallerFileName;
    return paths;
}

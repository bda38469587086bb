// The names the product's two programs are installed, registered and found under.
#pragma once

inline constexpr const wchar_t* kConverterFolderName = L"Kelto Clipwave Converter";
inline constexpr const wchar_t* kDownloaderFolderName = L"Kelto Clipwave Downloader";
inline constexpr const wchar_t* kUninstallerFileName = L"uninstall.exe";

inline constexpr const wchar_t* kConverterExecutable = L"Kelto Clipwave Converter.exe";
inline constexpr const wchar_t* kConverterExecutable64 = L"Kelto Clipwave Converter64.exe";
inline constexpr const wchar_t* kDownloaderExecutable = L"Kelto Clipwave Downloader.exe";
inline constexpr const wchar_t* kDownloaderExecutable64 = L"Kelto Clipwave Downloader64.exe";

// Uninstall key names (the 64-bit downloader's has no blank before the parenthesis).
inline constexpr const char* kConverterKeyName = "Kelto Clipwave Converter";
inline constexpr const char* kConverterKeyName64 = "Kelto Clipwave Converter (x64)";
inline constexpr const char* kDownloaderKeyName = "Kelto Clipwave Downloader";
inline constexpr const char* kDownloaderKeyName64 = "Kelto Clipwave Downloader(x64)";

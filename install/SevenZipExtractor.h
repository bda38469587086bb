// Archive extraction: the archive bytes go to a private temporary folder, the 7-Zip engine runs
// on them with a fixed four-entry argument vector, and its reports reach the controller.
#pragma once

#include "app/ProgressNotify.h"

#include <cstdint>
#include <functional>
#include <string>

// Events of the extraction.
inline constexpr int kEventExtractProgress = 100;
inline constexpr int kEventExtractError = 101;

class I7zFileInfoCallback {
public:
    virtual ~I7zFileInfoCallback() = default;
    // Engine progress: the value's low and high 32 bits.
    virtual void OnProgress(int value, int highPart) = 0;
    // An engine or extractor error code (260, 261, 262, 263, 8, 255 or 2).
    virtual void OnError(int code) = 0;
};

// Relays the engine's reports to the controller's notify as events 100 and 101.
class C7ZOperator : public I7zFileInfoCallback {
public:
    explicit C7ZOperator(ProgressNotify notify = {}) : m_notify(std::move(notify)) {}
    ~C7ZOperator() override = default;

    void OnProgress(int value, int highPart) override;
    void OnError(int code) override;
    int LastError() const { return m_lastError; }

private:
    int32_t m_lastError = 0;
    ProgressNotify m_notify;
};

// One extraction, made on the caller's stack; the callback is not owned and may be null.
class C7ZExtractor {
public:
    explicit C7ZExtractor(I7zFileInfoCallback* callback) : m_callback(callback) {}

    // Writes the archive bytes to the temporary area, runs the engine into destination (narrow
    // Windows path) and removes the temporary area. False for null arguments (nothing reported)
    // or when the temporary archive cannot be written (263 reported), and false when the engine
    // could not extract every item (its errors reported); true means every item was extracted.
    bool ExtractFromMemory(const void* data, uint32_t size, const char* destination);
    // Runs the engine: {own program path, "x", archive path, "-o" + destination}. True when the
    // engine ended with exit code 0.
    bool RunArchiveEngine(const char* destination, const char* archivePath);

    I7zFileInfoCallback* Callback() const { return m_callback; }

private:
    I7zFileInfoCallback* m_callback;
};

// The temporary area's names (narrow, '/' separators).
inline constexpr const char* kWorkFolderName = "plenix_7z/";
inline constexpr const char* kArchiveFileName = "Qor7ZFile.7z";

// Forms <temporary path with '/'><tick count in hex>/ with a tick whose folder does not exist
// yet, creates it and returns CreateDirectoryChain's result. output holds 260 bytes.
bool CreateTempRoot(char* output);
// The temporary root for a given temporary path and tick ("C:\T\" + 0x1f2e3d -> "C:/T/1f2e3d/").
std::string TempRootName(const std::string& tempPath, uint32_t tick);
// Creates the folder before every separator ('/', or '\' where no further '/' follows). False
// for paths longer than 260 characters; otherwise the result of the last creation, an existing
// folder counting as success. A last component without a trailing separator is not created.
bool CreateDirectoryChain(const char* path);
// Whether a narrow path names an existing folder ("C:" tests the drive's root).
bool DirectoryExists(const char* path);

// Removes a narrow folder path ending in '/' with everything below it. Links are removed, never
// followed. False when the folder cannot be listed or is a drive root or special folder;
// otherwise the result of the last deletion.
bool DeleteTree(const char* folder);

// Clears an installation folder (wide, '\'). It removes only what can be an earlier installation
// of this product, so a mistyped or foreign folder loses nothing:
// - refused: a drive root, a link, any special folder of the machine or a folder above one;
// - refused: a folder holding any top-level entry other than the program folders
//   "Kelto Clipwave Converter" and "Kelto Clipwave Downloader" and "uninstall.exe";
// A refusal is logged and leaves everything in place. Otherwise every file and link is deleted
// (links never followed), every sub-folder removed the same way, then the folder itself; single
// failures are ignored. False when refused or when the folder cannot be listed.
bool DeleteTree(const std::wstring& folder);
// The refusal reason DeleteTree would log, empty when the folder may be cleared.
std::string WhyFolderMayNotBeCleared(const std::wstring& folder);

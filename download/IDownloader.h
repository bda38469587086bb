// The download engine as its users see it: fetch a package description, then the package from
// several mirrors at once, verify it and report through one callback.
#pragma once

#include "download/DownloadTypes.h"

#include <memory>
#include <string>

class IDownloader {
public:
    virtual ~IDownloader() = default;

    // Fetches the description at url and downloads the package it describes to localPath, on
    // the engine's threads. 0 when the description transfer started, E_INVALIDARG otherwise
    // (the callback then receives (4, 0, 0)).
    virtual long DownloadCfg(const char* url, const char* localPath) = 0;
    // Reads a description file and starts the download it describes.
    virtual long ParseCfg(const std::wstring& cfgPath, const char* localPath) = 0;
    virtual long BeginDownload(const DownloadItem& item) = 0;
    // Ends the download without a callback. Transfers still running end at their next chunk.
    virtual long Stop() = 0;
    virtual bool IsDownloading() = 0;
    // E_POINTER for an empty callback (which is stored all the same), else 0.
    virtual long SetCallback(const ProgressNotify& callback) = 0;
    // Any thread; never waits for a transfer or for the verification.
    virtual long GetDownloadInfo(DownloadInfo* out) = 0;
    // 0 none, 3 description refused, 4 failed, 5 complete.
    virtual int GetStatus() = 0;
    virtual void SetProxy(const char* proxy) = 0;
};

// Makes the engine (a DownloaderCurl). False for a null out pointer.
bool CreateDownloader(std::unique_ptr<IDownloader>* out);

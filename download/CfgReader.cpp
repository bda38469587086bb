#include "download/CfgReader.h"

#include "app/Log.h"
#include "app/Result.h"
#include "download/HttpTransfer.h"

#include <cstdio>
#include <cstring>

long ReadPackageDescription(IXMLParse* reader, DownloadItem* item, bool* versionRefused) {
    *versionRefused = false;
    int version = 0;
    if (reader->GetInt("download.version", &version) == 0 || version > 1) {
        LogFormat("Download_ParseCfg : version refused (%d).\n", version);
        *versionRefused = true;
        return kEAbort;
    }
    int size = 0;
    if (reader->GetInt("download.size", &size) == 0 || size < 0) {
        LogFormat("Download_ParseCfg : size missing or invalid.\n");
        return kEAbort;
    }
    item->size = static_cast<uint32_t>(size);

    char key[128];
    int urlCount = 0;
    if (reader->GetInt("download.url.size", &urlCount) == 0) {
        LogFormat("Download_ParseCfg : url.size missing.\n");
        return kEAbort;
    }
    for (int n = 0; n < kMaxMirrors && n < urlCount; ++n) {
        snprintf(key, sizeof key, "download.url.item_%d.value", n);
        std::string url;
        if (reader->GetString(key, &url) == 0) {
            LogFormat("Download_ParseCfg : %s missing.\n", key);
            return kEAbort;
        }
        // A mirror the engine cannot use is skipped; the others stand.
        if (url.size() >= sizeof item->mirrors[n].url) {
            LogFormat("Download_ParseCfg : %s skipped, longer than %zu characters.\n", key,
                      kUrlFieldSize - 1);
            continue;
        }
        if (!IsHttpUrl(url.c_str())) {
            LogFormat("Download_ParseCfg : %s skipped, only http and https mirrors are used.\n",
                      key);
            continue;
        }
        memcpy(item->mirrors[n].url, url.c_str(), url.size() + 1);
        item->mirrors[n].valid = true;
    }
    int hashCount = 0;
    if (reader->GetInt("download.hash.size", &hashCount) == 0) {
        LogFormat("Download_ParseCfg : hash.size missing.\n");
        return kEAbort;
    }
    for (int n = 0; n < hashCount; ++n) {
        snprintf(key, sizeof key, "download.hash.item_%d.value", n);
        std::string hash;
        if (reader->GetString(key, &hash) == 0) {
            LogFormat("Download_ParseCfg : %s missing.\n", key);
            return kEAbort;
        }
        if (n == 0) {
            item->wholeHash = std::move(hash);
        } else {
            item->blockHashes.push_back(std::move(hash));
        }
    }
    return kSOk;
}

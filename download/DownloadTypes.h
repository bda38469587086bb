// The download engine's records: one mirror entry, one package download, one byte-range transfer
// and the snapshot the setup window reads while a download runs.
#pragma once

#include "app/ProgressNotify.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class DownloaderCurl;
class JFile;

inline constexpr int kMaxMirrors = 10;
inline constexpr size_t kUrlFieldSize = 1040;
inline constexpr size_t kPathFieldSize = 260;
inline constexpr uint32_t kBlockSize = 1048576;

// One mirror entry of the package description.
struct UrlCfg {
    char url[kUrlFieldSize] = {};
    bool valid = false;
    uint32_t replyTime = 0; // ICMP reply time in milliseconds
    bool networkNotFull = false;
};

// One package download, filled from the package description.
struct DownloadItem {
    char path[kPathFieldSize] = {}; // the local package file, ANSI code page
    uint32_t size = 0;
    UrlCfg mirrors[kMaxMirrors];
    std::string wholeHash;
    std::vector<std::string> blockHashes;
    int threadsPerMirror = 0;
};

enum SegmentStatus : int {
    E_Status_Runing = 0,
    E_Status_StopByDispatch = 1,
    E_Status_Fail = 2,
    E_Status_Succeed = 3,
};

// "E_Status_Runing" ... "E_Status_Succeed"; the information window shows these texts.
const char* SegmentStatusName(int status);

// One byte-range transfer. The engine keeps these in its segment table under their id.
struct DownloadSegment {
    int id = 0;
    uint32_t start = 0;     // first byte requested
    uint32_t current = 0;   // next byte to store
    uint32_t end = 0;       // last byte of the range, inclusive
    std::string url;        // the mirror this range is fetched from
    void* handle = nullptr; // the transfer handle while the transfer runs
    int result = 0;         // libcurl result of the transfer
    JFile* file = nullptr;  // destination (the description transfer writes its file directly)
    DownloaderCurl* owner = nullptr;
    int thread = 0; // engine-wide thread number, for the log
    uint32_t lastDataTime = 0;
    uint32_t startTime = 0;
    uint32_t endTime = 0;
    uint32_t speed = 0; // bytes per second of the latest chunk
    int status = E_Status_Runing;
    // The current speed window: when it opened and the bytes stored since (the dispatcher's
    // check for transfers that trickle).
    uint32_t windowStart = 0;
    uint32_t windowBytes = 0;
};

using SegmentTable = std::map<int, DownloadSegment>;

// What GetDownloadInfo hands out: a copy, safe to read on any thread.
struct DownloadInfo {
    int threadCount = 0;
    uint32_t size = 0;
    uint32_t downloaded = 0;
    SegmentTable segments;
};

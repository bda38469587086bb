// The download engine: one package from up to five mirrors at once, in parallel byte ranges,
// verified block by block against the description's digests.
//
// Threads: the caller's (DownloadCfg, polling, Stop); the description transfer thread, which
// also parses the description, ranks the mirrors and starts the segments; while the mirrors
// are checked, one thread that reserves the package file and one that backs the memory copy's
// pages; one thread per segment transfer; the dispatcher; and any thread that calls
// GetDownloadInfo.
//
// Locks (none is held while another of these is taken, except where said):
//  - m_tableMutex guards the segment table and the counters the setup window reads; held only
//    for short reads and writes, never while calling out or doing input and output.
//  - m_store's own locks (PackageStore.h) guard the package file and the memory copy; the store
//    is used without any engine lock held.
//  - m_finishMutex serialises the finish check and its verification, so that two transfers
//    ending together verify once. The table mutex is taken inside it.
//  - m_wakeMutex with m_wake: the running and stop flags change under it, and every wait of the
//    engine waits on m_wake or polls the stop flag, so Stop ends each wait within a second.
//  - m_callbackMutex: the "Download_File" mutex of old, reduced to its last job: callbacks never
//    overlap. It is taken only around the call, with no other lock held, and is recursive so a
//    callback that calls into the engine cannot deadlock on it.
#pragma once

#include "app/JFile.h"
#include "download/DownloadOutcome.h"
#include "download/HttpTransfer.h"
#include "download/IDownloader.h"
#include "download/PackageStore.h"
#include "download/SegmentBook.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

inline constexpr size_t kCfgUrlFieldSize = 520;
inline constexpr uint32_t kDispatchIntervalMilliseconds = 2000;
// The download fails when no mirror delivered a byte for this long. Ranges keep being restarted
// every dispatcher round meanwhile, so an outage shorter than this (a router restart, a Wi-Fi
// hand-over, a mirror restarting) is ridden out; a minute without one byte from any of up to
// five mirrors is a connection the user has to look at.
inline constexpr uint32_t kNoProgressMilliseconds = 60000;
// A description is a few kilobytes per mirror and block list (about 35 bytes per MiB of
// package); 4 MiB covers a package of over 100 GiB, far above the 2 GiB the format can state.
inline constexpr uint32_t kMaxDescriptionBytes = 4u << 20;

class DownloaderCurl : public IDownloader {
public:
    DownloaderCurl();
    ~DownloaderCurl() override;
    DownloaderCurl(const DownloaderCurl&) = delete;
    DownloaderCurl& operator=(const DownloaderCurl&) = delete;

    long DownloadCfg(const char* url, const char* localPath) override;
    long ParseCfg(const std::wstring& cfgPath, const char* localPath) override;
    long BeginDownload(const DownloadItem& item) override;
    long Stop() override;
    bool IsDownloading() override { return m_running.load(); }
    long SetCallback(const ProgressNotify& callback) override;
    long GetDownloadInfo(DownloadInfo* out) override;
    int GetStatus() override { return static_cast<int>(m_outcome.load()); }
    void SetProxy(const char* proxy) override;

    // Which path ended the download; kNone while it has not ended. Any thread.
    EndReason GetEndReason();
    // What verifying the package has cost so far. Any thread.
    PackageStore::DigestCost GetDigestCost() const { return m_store.Cost(); }

    // Description thread.
    virtual long OnCfgDownloaded(DownloadSegment* segment);
    // Description thread: checks every mirror of item and ranks the usable ones.
    virtual long CheckDownload(DownloadItem& item);
    virtual long InitDownload();
    // Configures and starts one segment transfer. Any engine thread, no lock held.
    virtual long BeginDownloadItem(DownloadSegment* segment);

    // Segment threads, after their transfer ended.
    void CheckFinish(DownloadSegment* segment);
    // Under m_finishMutex, no transfer active: 1 when the package is accepted, else 0 with
    // repairs started, or with m_hashFailure saying why it can never be accepted.
    int CheckHash();
    // Digests the listed blocks whose verdict is still unknown, on two threads.
    void VerifyUnknownBlocks(size_t listed);
    long RepairData(uint32_t first, uint32_t last);
    // Stores one chunk in the package file and the memory copy: length when the file took all
    // of it, else 0 (the failure is logged, and a full volume ends the download).
    uint32_t WriteAt(const void* data, uint32_t length, uint32_t offset);
    bool GetNetworkNotFull(const char* url);
    void CloseFile();

    // libcurl callbacks.
    static size_t SegmentWriteCallback(char* data, size_t size, size_t count, void* segment);
    static size_t CfgWriteCallback(char* data, size_t size, size_t count, void* segment);
    static int SegmentProgressCallback(void* segment, curl_off_t, curl_off_t, curl_off_t,
                                       curl_off_t);
    static int CfgProgressCallback(void* segment, curl_off_t, curl_off_t received, curl_off_t,
                                   curl_off_t);

    // The usable mirrors, fastest first, once the mirror check is done. Any thread.
    std::vector<UrlCfg> RankedMirrors();
    DownloadItem ItemForTesting();
    // Replaces the tick count the engine stamps chunks with. Before the download starts.
    void SetTickSourceForTesting(uint32_t (*tick)());
    // Sets the engine up for transfers of a size-byte package to path without a description
    // or mirror check: memory copy, package file, running.
    long PrepareForTesting(uint32_t size, const char* path);
    // Adds a segment for [start, end] on url and starts it; its id.
    int StartSegmentForTesting(uint32_t start, uint32_t end, const char* url);
    // The memory copy's bytes so far.
    std::vector<uint8_t> MemoryCopyForTesting();

private:
    void CfgTransferThread(DownloadSegment* segment, CurlEasy handle);
    void SegmentTransferThread(DownloadSegment* segment, CurlEasy handle);
    size_t StoreChunk(DownloadSegment* segment, const char* data, size_t received);
    void VerifyCompletedBlocks(uint32_t segmentStart, uint32_t before, uint32_t after);
    void Dispatch();
    // Runs body on a new engine thread; its number, or 0 once Stop was called (body is then
    // destroyed unrun, with what it owns).
    template <class Body>
    int StartThread(Body body) {
        std::lock_guard lock(m_threadsMutex);
        if (StopRequested()) {
            return 0;
        }
        m_threads.emplace_back(std::move(body));
        return ++m_nextThreadNumber;
    }
    void Notify(int code, unsigned value1, long value2);

    // The one way a download ends: records outcome and reason, clears the running flag and
    // wakes every waiter under m_wakeMutex, logs the path, then (with no lock held) raises
    // callback 4 or 5. A second end, or an end after Stop, is logged and changes nothing.
    // The caller holds no engine lock.
    void EndDownload(DownloadOutcome outcome, EndReason reason, unsigned value1, long value2);
    // The first half of EndDownload, for callers that decide under a lock: true when this
    // call ended the download; the caller then calls AnnounceEnd once its lock is released.
    bool ClaimEnd(DownloadOutcome outcome, EndReason reason);
    void AnnounceEnd(DownloadOutcome outcome, EndReason reason, unsigned value1, long value2);
    // Every outcome change goes through here and is logged by name.
    void SetOutcome(DownloadOutcome outcome);
    // Ends the description stage with outcome 4 and callback (4, 0, 0).
    long FailDescription(long result);
    // No transfer active: verifies, repairs, or ends the download.
    void FinishIfIdle();
    bool AwaitsDispatcher() const;
    // Starting the download after the mirror check: package file, kept blocks.
    long PreparePackage(std::future<platform::FileError>* reservation);
    std::vector<ByteRange> KeptBlocksToMissingRanges() const;
    bool StopRequested() const { return m_stopRequested.load(); }
    std::string Proxy();
    uint32_t Now() const { return m_tick.load()(); }
    std::pair<uint32_t, uint32_t> Counters();

    // The callback; guarded by m_callbackMutex.
    ProgressNotify m_callback;
    std::recursive_mutex m_callbackMutex;

    // Guarded by m_tableMutex: the segment table, m_vecUrlCfg (written by the mirror check,
    // read by RankedMirrors), the proxy text and the counters of GetDownloadInfo.
    std::mutex m_tableMutex;
    SegmentBook m_book;
    std::vector<UrlCfg> m_vecUrlCfg;
    std::string m_proxy;
    uint32_t m_size = 0;
    uint32_t m_downloaded = 0;
    int m_threadCount = 0;

    // Written by the description thread before the first segment or dispatcher thread starts,
    // read-only afterwards.
    DownloadItem m_item;
    std::vector<std::string> m_mirrorUrls; // the ranked mirrors' URLs
    std::vector<ByteRange> m_missing;      // ranges to fetch when an earlier file was kept
    bool m_resuming = false;
    EndReason m_startFailure = EndReason::kNone; // why BeginDownload failed

    // Used only by its own thread: the description thread (and DownloadCfg before it starts).
    DownloadSegment m_cfgSegment;
    JFile m_cfgFile;
    bool m_cfgCutOff = false;
    char m_cfgUrl[kCfgUrlFieldSize] = {};
    char m_cfgPath[kPathFieldSize] = {};
    char m_localPath[kPathFieldSize] = {};

    // Thread-safe on its own.
    PackageStore m_store;
    int m_fileMutexHandle = 0; // the number logged as the mutex's handle
    std::atomic<uint32_t> m_lastDataTick{0};
    std::atomic<uint32_t (*)()> m_tick;

    // Guarded by m_finishMutex.
    std::mutex m_finishMutex;
    int m_repairsStarted = 0;
    EndReason m_hashFailure = EndReason::kNone;

    // Changed under m_wakeMutex (atomic so that polls need no lock).
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<DownloadOutcome> m_outcome{DownloadOutcome::kRunning};
    EndReason m_endReason = EndReason::kNone;

    std::mutex m_threadsMutex;
    std::vector<std::thread> m_threads;
    int m_nextThreadNumber = 0;
};

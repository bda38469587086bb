#include "download/DownloaderCurl.h"

#include "app/Log.h"
#include "app/Md5.h"
#include "app/Result.h"
#include "app/TextConv.h"
#include "download/CfgReader.h"
#include "download/IcmpPinger.h"
#include "download/MirrorRanking.h"
#include "download/XMLParse.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <future>

namespace {

// Copies text into a fixed field; false when it does not fit with its terminator.
bool CopyField(char* field, size_t fieldSize, const char* text) {
    const size_t length = strnlen(text, fieldSize);
    if (length >= fieldSize) {
        return false;
    }
    memcpy(field, text, length);
    field[length] = '\0';
    return true;
}

const char* TrueFalse(bool value) {
    return value ? "true" : "false";
}

void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugLine(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    platform::OutputDebugText(text);
}

} // namespace

bool CreateDownloader(std::unique_ptr<IDownloader>* out) {
    if (out == nullptr) {
        return false;
    }
    try {
        *out = std::make_unique<DownloaderCurl>();
    } catch (...) {
        return false;
    }
    return *out != nullptr;
}

DownloaderCurl::DownloaderCurl() : m_tick(&platform::GetTickCount) {}

DownloaderCurl::~DownloaderCurl() {
    Stop();
    // Every engine thread refers to this object; none may outlive it. After Stop no thread
    // starts another, and every wait of the engine ends within a second of it, so the list
    // drains quickly.
    for (;;) {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_threadsMutex);
            threads.swap(m_threads);
        }
        if (threads.empty()) {
            break;
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
}

void DownloaderCurl::Notify(int code, unsigned value1, long value2) {
    std::lock_guard lock(m_callbackMutex);
    if (m_callback) {
        m_callback(code, value1, value2);
    }
}

long DownloaderCurl::SetCallback(const ProgressNotify& callback) {
    std::lock_guard lock(m_callbackMutex);
    m_callback = callback;
    return m_callback ? kSOk : kEPointer;
}

void DownloaderCurl::SetProxy(const char* proxy) {
    std::lock_guard table(m_tableMutex);
    m_proxy = proxy != nullptr ? proxy : "";
}

std::string DownloaderCurl::Proxy() {
    std::lock_guard table(m_tableMutex);
    return m_proxy;
}

std::pair<uint32_t, uint32_t> DownloaderCurl::Counters() {
    std::lock_guard table(m_tableMutex);
    return {m_downloaded, m_size};
}

long DownloaderCurl::GetDownloadInfo(DownloadInfo* out) {
    if (out == nullptr) {
        return kEPointer;
    }
    out->segments.clear();
    std::lock_guard lock(m_tableMutex);
    out->threadCount = m_threadCount;
    out->size = m_size;
    out->downloaded = m_downloaded;
    out->segments = m_book.Segments();
    return kSOk;
}

EndReason DownloaderCurl::GetEndReason() {
    std::lock_guard wait(m_wakeMutex);
    return m_endReason;
}

// ---- How a download ends ----

void DownloaderCurl::SetOutcome(DownloadOutcome outcome) {
    const DownloadOutcome old = m_outcome.exchange(outcome);
    if (old != outcome) {
        DebugLine("Download_Outcome : %s -> %s.\n", OutcomeName(old), OutcomeName(outcome));
    }
}

bool DownloaderCurl::ClaimEnd(DownloadOutcome outcome, EndReason reason) {
    std::lock_guard wait(m_wakeMutex);
    if (m_endReason != EndReason::kNone || StopRequested()) {
        DebugLine("end: %s ignored, %s.\n", EndReasonText(reason),
                  StopRequested() ? "the engine was stopped" : EndReasonText(m_endReason));
        return false;
    }
    m_endReason = reason;
    SetOutcome(outcome);
    m_running = false;
    m_wake.notify_all();
    return true;
}

void DownloaderCurl::AnnounceEnd(DownloadOutcome outcome, EndReason reason, unsigned value1,
                                 long value2) {
    DebugLine("end: %s\n", EndReasonText(reason));
    // The memory copy is no longer needed, and transfers still under way must store nothing.
    CloseFile();
    Notify(static_cast<int>(outcome), value1, value2);
}

void DownloaderCurl::EndDownload(DownloadOutcome outcome, EndReason reason, unsigned value1,
                                 long value2) {
    if (ClaimEnd(outcome, reason)) {
        AnnounceEnd(outcome, reason, value1, value2);
    }
}

long DownloaderCurl::Stop() {
    {
        std::lock_guard wait(m_wakeMutex);
        m_stopRequested = true;
        m_running = false;
        m_wake.notify_all();
    }
    CloseFile();
    std::lock_guard table(m_tableMutex);
    m_size = 0;
    m_downloaded = 0;
    return kSOk;
}

void DownloaderCurl::CloseFile() {
    LogFormat("Download_CloseFile.\n");
    m_store.Release();
}

long DownloaderCurl::FailDescription(long result) {
    const EndReason reason =
        m_startFailure != EndReason::kNone ? m_startFailure : EndReason::kDescriptionFailed;
    if (m_outcome.load() == DownloadOutcome::kRefused) {
        LogFormat("Download_ParseCfg : the description's version is refused, download failed.\n");
    }
    EndDownload(DownloadOutcome::kFailed, reason, 0, 0);
    return result;
}

// ---- Description stage ----

long DownloaderCurl::DownloadCfg(const char* url, const char* localPath) {
    if (url == nullptr || localPath == nullptr) {
        LogFormat("Download_DownloadCfg Error : url or path missing.\n");
        return FailDescription(kEInvalidArg);
    }
    if (!IsHttpUrl(url)) {
        LogFormat("Download_DownloadCfg Error : only http and https are fetched, url(%s).\n", url);
        return FailDescription(kEInvalidArg);
    }
    char cfgPath[kPathFieldSize + 8] = {};
    snprintf(cfgPath, sizeof cfgPath, "%s.cfg", localPath);
    if (strnlen(cfgPath, sizeof cfgPath) >= kPathFieldSize) {
        LogFormat("Download_DownloadCfg Error : local path too long (%zu characters).\n",
                  strlen(localPath));
        return FailDescription(kEInvalidArg);
    }
    memset(m_cfgUrl, 0, sizeof m_cfgUrl);
    if (!CopyField(m_cfgUrl, sizeof m_cfgUrl, url)) {
        LogFormat("Download_DownloadCfg Error : url too long (%zu characters).\n", strlen(url));
        return FailDescription(kEInvalidArg);
    }

    m_cfgSegment = DownloadSegment{};
    m_cfgSegment.url = m_cfgUrl;
    m_cfgSegment.end = GetDownloadFileLenth(m_cfgUrl, Proxy(), [this] { return StopRequested(); });
    m_cfgSegment.lastDataTime = m_cfgSegment.startTime = Now();
    {
        std::lock_guard table(m_tableMutex);
        m_cfgSegment.id = static_cast<int>(m_book.Segments().size());
        m_book.Segments()[m_cfgSegment.id] = m_cfgSegment;
    }
    CurlEasy handle(curl_easy_init());
    if (!handle) {
        LogFormat("Download_DownloadCfg Error : no transfer handle.\n");
        return FailDescription(kEFail);
    }
    m_cfgSegment.result = 0;
    if (!m_cfgFile.Open(AnsiToWide(cfgPath), JFile::kWrite | JFile::kBinary)) {
        LogFormat("Download_DownloadCfg Error : cannot create %s.\n", cfgPath);
        return FailDescription(kEInvalidArg);
    }
    m_cfgSegment.handle = handle.get();
    m_cfgSegment.file = &m_cfgFile;
    m_cfgSegment.owner = this;
    CopyField(m_cfgPath, sizeof m_cfgPath, cfgPath);
    CopyField(m_localPath, sizeof m_localPath, localPath);
    ConfigureDescriptionTransfer(handle.get(), m_cfgUrl, &DownloaderCurl::CfgWriteCallback,
                                 &DownloaderCurl::CfgProgressCallback, &m_cfgSegment, Proxy());
    {
        std::lock_guard wait(m_wakeMutex);
        if (StopRequested()) {
            return kEAbort;
        }
        m_running = true;
    }
    // The table row shows the transfer as active from now on; the thread clears it when its
    // transfer ends, and may have ended (and the table been rebuilt for the package) before the
    // thread number is filled in below.
    auto describesTransfer = [this](const DownloadSegment& row) {
        return row.url == m_cfgSegment.url;
    };
    {
        std::lock_guard table(m_tableMutex);
        m_book.Segments()[m_cfgSegment.id].handle = handle.get();
    }
    DownloadSegment* segment = &m_cfgSegment;
    const int thread = StartThread([this, segment, owned = std::move(handle)]() mutable {
        CfgTransferThread(segment, std::move(owned));
    });
    {
        std::lock_guard table(m_tableMutex);
        auto row = m_book.Segments().find(m_cfgSegment.id);
        if (row != m_book.Segments().end() && describesTransfer(row->second)) {
            row->second.thread = thread;
            if (thread == 0) {
                row->second.handle = nullptr;
            }
        }
    }
    if (thread == 0) {
        return kEAbort;
    }
    LogFormat("Download_BeginDownload : Download link id(%d) thread(%d).\n", m_cfgSegment.id,
              thread);
    return kSOk;
}

size_t DownloaderCurl::CfgWriteCallback(char* data, size_t size, size_t count, void* user) {
    auto* segment = static_cast<DownloadSegment*>(user);
    if (segment == nullptr || segment->file == nullptr || segment->owner == nullptr) {
        return 0;
    }
    const size_t length = size * count;
    if (segment->current + length > kMaxDescriptionBytes) {
        LogFormat("Download_Thread_Download_Cfg : the description passed %u bytes, cut off.\n",
                  kMaxDescriptionBytes);
        segment->owner->m_cfgCutOff = true;
        return 0;
    }
    const long written = segment->file->Write(data, static_cast<long>(length));
    if (written > 0) {
        segment->current += static_cast<uint32_t>(written);
    }
    return written < 0 ? 0 : static_cast<size_t>(written);
}

// The description transfer ends on Stop, and when it trickles: below the speed bound of the
// segment transfers over their window it would otherwise hold the install for hours.
int DownloaderCurl::CfgProgressCallback(void* user, curl_off_t, curl_off_t received, curl_off_t,
                                        curl_off_t) {
    auto* segment = static_cast<DownloadSegment*>(user);
    DownloaderCurl* engine = segment->owner;
    if (engine->StopRequested()) {
        return 1;
    }
    const uint32_t elapsed = engine->Now() - segment->startTime;
    if (elapsed >= kSlowWindowMilliseconds &&
        static_cast<uint64_t>(received) * 1000 <
            static_cast<uint64_t>(kSlowBytesPerSecond) * elapsed) {
        LogFormat("Download_Thread_Download_Cfg : %lld bytes in %u ms, below %u bytes/s, "
                  "given up.\n",
                  static_cast<long long>(received), elapsed, kSlowBytesPerSecond);
        return 1;
    }
    return 0;
}

void DownloaderCurl::CfgTransferThread(DownloadSegment* segment, CurlEasy handle) {
    if (segment == nullptr) {
        LogFormat("Download_Thread_Download_Cfg Error : pItem == NULL.\n");
        return;
    }
    segment->status = E_Status_Runing;
    segment->result = static_cast<int>(curl_easy_perform(handle.get()));
    segment->endTime = Now();
    if (segment->status == E_Status_Runing) {
        segment->status = segment->result == 0 ? E_Status_Succeed : E_Status_Fail;
    }
    handle.reset();
    segment->handle = nullptr;
    {
        // The table row shows the description transfer in the information window.
        std::lock_guard table(m_tableMutex);
        auto row = m_book.Segments().find(segment->id);
        if (row != m_book.Segments().end() && row->second.url == segment->url) {
            const int thread = row->second.thread;
            row->second = *segment;
            row->second.thread = thread;
            row->second.file = nullptr;
        }
    }
    if (segment->owner == nullptr) {
        LogFormat("Download_Thread_Download_Cfg : error.\n");
        return;
    }
    if (OnCfgDownloaded(segment) == kSOk) {
        LogFormat("Download_Thread_Download_Cfg : succeed.\n");
    } else {
        LogFormat("Download_Thread_Download_Cfg : failed.\n");
    }
}

long DownloaderCurl::OnCfgDownloaded(DownloadSegment* segment) {
    long result = kEPointer;
    if (segment != nullptr && segment->file != nullptr) {
        segment->file->Close();
        segment->file = nullptr;
        result = kEFail;
        if (m_cfgCutOff) {
            LogFormat("Download_Thread_Download_Cfg : the description is not read, it was cut "
                      "off.\n");
        } else if (StopRequested()) {
            result = kEAbort;
        } else if (platform::PathExists(AnsiToWide(m_cfgPath))) {
            result = ParseCfg(AnsiToWide(m_cfgPath), m_localPath);
            if (Succeeded(result)) {
                return result;
            }
        }
    }
    return FailDescription(result);
}

long DownloaderCurl::ParseCfg(const std::wstring& cfgPath, const char* localPath) {
    std::shared_ptr<IXMLParse> reader;
    if (CreateXMLParse(&reader) != kSOk || reader->LoadFile(cfgPath) == 0) {
        LogFormat("Download_ParseCfg : the description cannot be read.\n");
        return kEInvalidArg;
    }
    DownloadItem item;
    if (localPath == nullptr || !CopyField(item.path, sizeof item.path, localPath)) {
        LogFormat("Download_ParseCfg : local path too long.\n");
        return kEInvalidArg;
    }
    item.threadsPerMirror = 2;

    bool versionRefused = false;
    const long read = ReadPackageDescription(reader.get(), &item, &versionRefused);
    if (versionRefused) {
        SetOutcome(DownloadOutcome::kRefused);
    }
    if (read != kSOk) {
        return read;
    }

    // A complete package on disk needs no download.
    const std::wstring packagePath = AnsiToWide(item.path);
    Md5Digest digest;
    if (platform::PathExists(packagePath) && Md5OfFile(packagePath, &digest) &&
        Md5HexUpper(digest) == item.wholeHash) {
        m_item = item;
        LogFormat("Download_ParseCfg : the package is already complete.\n");
        EndDownload(DownloadOutcome::kComplete, EndReason::kAlreadyComplete, 0, 1);
        return kSOk;
    }
    return BeginDownload(item);
}

// ---- Mirror check ----

bool DownloaderCurl::GetNetworkNotFull(const char* url) {
    if (url == nullptr) {
        return false;
    }
    if (IsContentDeliveryUrl(url)) {
        return true;
    }
    const std::optional<std::string> host = MirrorHost(url);
    if (!host) {
        return false;
    }
    const std::string probe = "http://" + *host + "/flag.php";
    const std::string answer = FetchText(probe.c_str(), [this] { return StopRequested(); });
    LogFormat("Download : GetNetworkNotFull IP(%s), Result(%s).\n", host->c_str(), answer.c_str());
    return answer.size() >= 2 && answer[0] == '1';
}

long DownloaderCurl::CheckDownload(DownloadItem& item) {
    {
        std::lock_guard table(m_tableMutex);
        m_vecUrlCfg.clear();
    }
    const CancelCheck cancel = [this] { return StopRequested(); };
    const std::string proxy = Proxy();
    std::vector<UrlCfg> candidates;
    std::optional<UrlCfg> fallback;
    for (int i = 0; i < kMaxMirrors && !StopRequested(); ++i) {
        UrlCfg& entry = item.mirrors[i];
        if (!entry.valid) {
            continue;
        }
        if (IsContentDeliveryUrl(entry.url) && !fallback) {
            entry.valid = GetDownloadFileLenth(entry.url, proxy, cancel) == item.size;
            if (entry.valid) {
                fallback = entry;
            }
            continue;
        }
        const bool answered = PingMirror(entry.url, &entry.replyTime, cancel);
        LogFormat("Download_CheckPing: ID(%d), Invalid(%s), time(%d).\n", i, TrueFalse(answered),
                  static_cast<int>(entry.replyTime));
        if (!answered) {
            entry.valid = false;
            continue;
        }
        entry.valid = GetDownloadFileLenth(entry.url, proxy, cancel) == item.size;
        if (entry.valid && !IsContentDeliveryUrl(entry.url)) {
            entry.networkNotFull = GetNetworkNotFull(entry.url);
            candidates.push_back(entry);
        }
        LogFormat("Download_CheckDownload: ID(%d), FileSizeConsistent(%s) NetworkNotFull(%s).\n", i,
                  TrueFalse(entry.valid), TrueFalse(entry.networkNotFull));
    }
    if (StopRequested()) {
        return kEAbort;
    }
    int threadsPerMirror = item.threadsPerMirror;
    std::vector<UrlCfg> ranked =
        RankMirrors(std::move(candidates), fallback ? &*fallback : nullptr, &threadsPerMirror);
    item.threadsPerMirror = threadsPerMirror;
    m_mirrorUrls.clear();
    for (size_t i = 0; i < ranked.size(); ++i) {
        LogFormat("Download_CheckDownload: rank %zu, %s, time(%u).\n", i + 1, ranked[i].url,
                  ranked[i].replyTime);
        m_mirrorUrls.emplace_back(ranked[i].url);
    }
    const bool usable = !ranked.empty();
    std::lock_guard table(m_tableMutex);
    m_vecUrlCfg = std::move(ranked);
    return usable ? kSOk : kEFail;
}

// ---- Starting the download ----

long DownloaderCurl::BeginDownload(const DownloadItem& item) {
    m_item = item;
    {
        std::lock_guard table(m_tableMutex);
        m_size = item.size;
    }
    // The file first, so that a package folder that cannot take it fails before any mirror is
    // asked; its present length counts as room, since the download reuses those blocks.
    platform::FileError error;
    if (!m_store.OpenFile(m_item.path, &error)) {
        LogFormat("Download_BeginDownload : cannot open the package file %s: %s.\n", m_item.path,
                  error.text.c_str());
        m_startFailure = EndReason::kPackageFile;
        return kEFail;
    }
    uint64_t freeBytes = 0;
    const int64_t present = std::max<int64_t>(m_store.FileLength(), 0);
    if (platform::FreeBytesForFile(AnsiToWide(m_item.path), &freeBytes) &&
        freeBytes + static_cast<uint64_t>(present) < item.size) {
        LogFormat("Download_BeginDownload : the package needs %u bytes, its volume has %llu "
                  "free.\n",
                  item.size, static_cast<unsigned long long>(freeBytes));
        m_startFailure = EndReason::kVolumeTooSmall;
        return kEFail;
    }
    // Reserving a file's blocks costs time on some volumes (a RAM disk backs each one): a file
    // that starts over is reserved on a thread of its own while the mirrors are checked, and
    // the first range waits for it.
    const uint64_t blocks = (static_cast<uint64_t>(item.size) + kBlockSize - 1) / kBlockSize;
    const bool mayResume = item.size > 0 && present == static_cast<int64_t>(item.size) &&
                           item.blockHashes.size() >= blocks;
    std::future<platform::FileError> reservation;
    if (!mayResume) {
        reservation = std::async(std::launch::async, [this, size = item.size] {
            platform::FileError failure;
            m_store.ResetFile(size, &failure);
            return failure;
        });
    }
    if (CheckDownload(m_item) != kSOk) {
        LogFormat("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n");
        m_startFailure = StopRequested() ? EndReason::kNone : EndReason::kNoMirror;
        return kEFail;
    }
    const long prepared = PreparePackage(reservation.valid() ? &reservation : nullptr);
    if (prepared != kSOk) {
        return prepared;
    }
    static std::atomic<int> s_mutexHandles{0};
    m_fileMutexHandle = ++s_mutexHandles;
    LogFormat("Download_BeginDownload : OpenFile(%d), FileSize(%d), Mutex(%d), File(%s).\n", 1,
              static_cast<int>(item.size), m_fileMutexHandle, m_item.path);
    return InitDownload();
}

// The memory copy and the package file, once the mirrors confirmed the length (a description
// alone never makes the engine take the memory it declares): an earlier attempt's file of the
// right size keeps the blocks that match their digests, any other file starts over with its
// whole size reserved on the volume (by reservation, when it was started already).
long DownloaderCurl::PreparePackage(std::future<platform::FileError>* reservation) {
    {
        std::lock_guard table(m_tableMutex);
        m_downloaded = 0;
    }
    if (!m_store.Allocate(m_item.size, m_item.blockHashes)) {
        LogFormat("Download_BeginDownload : no memory for %u bytes.\n", m_item.size);
        m_startFailure = EndReason::kNoMemory;
        return kEPointer;
    }
    // The copy's pages are backed (and zeroed by the kernel) on a thread of their own, beside the
    // reservation and the transfers, which fault in whatever it has not reached yet.
    StartThread([this] { m_store.Prefault([this] { return StopRequested(); }); });
    platform::FileError error;
    m_resuming = false;
    if (reservation == nullptr) {
        const size_t kept = m_store.AdoptFile(&error);
        LogFormat("Download_BeginDownload : kept %zu of %zu blocks of the earlier download.\n",
                  kept, m_store.BlockCount());
        m_resuming = kept > 0;
    }
    if (m_resuming) {
        m_missing = KeptBlocksToMissingRanges();
        // The kept bytes count as downloaded, so that the progress reaches 100 %.
        uint64_t missing = 0;
        for (const ByteRange& range : m_missing) {
            missing += uint64_t{range.last} - range.first + 1;
        }
        std::lock_guard table(m_tableMutex);
        m_downloaded = static_cast<uint32_t>(m_item.size - missing);
        return kSOk;
    }
    if (reservation != nullptr) {
        error = reservation->get();
    } else {
        error = {};
        m_store.ResetFile(m_item.size, &error);
    }
    if (error.code != 0) {
        LogFormat("Download_BeginDownload : cannot reserve %u bytes for %s: %s.\n", m_item.size,
                  m_item.path, error.text.c_str());
        m_startFailure = error.VolumeFull() ? EndReason::kVolumeTooSmall : EndReason::kPackageFile;
        return kEFail;
    }
    return kSOk;
}

std::vector<ByteRange> DownloaderCurl::KeptBlocksToMissingRanges() const {
    std::vector<ByteRange> missing;
    for (size_t k = 0; k < m_store.BlockCount(); ++k) {
        if (m_store.Verdict(k) == BlockVerdict::kGood) {
            continue;
        }
        const uint32_t first = static_cast<uint32_t>(k * kBlockSize);
        const uint32_t last =
            static_cast<uint32_t>(std::min<uint64_t>((k + 1) * kBlockSize, m_item.size) - 1);
        if (!missing.empty() && missing.back().last + 1 == first) {
            missing.back().last = last;
        } else {
            missing.push_back({first, last});
        }
    }
    return missing;
}

long DownloaderCurl::InitDownload() {
    if (m_mirrorUrls.empty()) {
        return kEInvalidArg;
    }
    std::vector<int> ids;
    {
        std::lock_guard wait(m_wakeMutex);
        if (StopRequested()) {
            return kEAbort;
        }
        std::lock_guard table(m_tableMutex);
        ids = m_resuming
                  ? m_book.InitRanges(m_missing, m_mirrorUrls, m_item.threadsPerMirror, Now())
                  : m_book.Init(m_size, m_mirrorUrls, m_item.threadsPerMirror, Now());
        m_threadCount = m_book.ThreadCount();
        m_lastDataTick = Now();
        m_running = true;
    }
    {
        std::lock_guard finish(m_finishMutex);
        m_repairsStarted = 0;
    }
    for (int id : ids) {
        DownloadSegment* segment = nullptr;
        {
            std::lock_guard table(m_tableMutex);
            segment = &m_book.Segments().at(id);
        }
        BeginDownloadItem(segment);
    }
    const int thread = StartThread([this] { Dispatch(); });
    LogFormat("Download_InitDownload : start download dispatch, thread(%d).\n", thread);
    if (ids.empty()) {
        FinishIfIdle(); // nothing to fetch: an empty package, or every block kept
    }
    return kSOk;
}

// ---- Test hooks ----

std::vector<UrlCfg> DownloaderCurl::RankedMirrors() {
    std::lock_guard table(m_tableMutex);
    return m_vecUrlCfg;
}

DownloadItem DownloaderCurl::ItemForTesting() {
    return m_item;
}

void DownloaderCurl::SetTickSourceForTesting(uint32_t (*tick)()) {
    m_tick = tick;
}

long DownloaderCurl::PrepareForTesting(uint32_t size, const char* path) {
    {
        std::lock_guard table(m_tableMutex);
        m_size = size;
        m_downloaded = 0;
    }
    m_item.size = size;
    if (!m_store.Allocate(size, {})) {
        return kEPointer;
    }
    if (path != nullptr) {
        CopyField(m_item.path, sizeof m_item.path, path);
        platform::FileError error;
        if (!m_store.OpenFile(path, &error) || !m_store.ResetFile(size, &error)) {
            return kEFail;
        }
    }
    m_running = true;
    return kSOk;
}

int DownloaderCurl::StartSegmentForTesting(uint32_t start, uint32_t end, const char* url) {
    DownloadSegment* segment = nullptr;
    {
        std::lock_guard table(m_tableMutex);
        const int id = m_book.AddSegment(DownloadSegment{}, url, start, end, Now());
        segment = &m_book.Segments().at(id);
    }
    BeginDownloadItem(segment);
    std::lock_guard table(m_tableMutex);
    return segment->id;
}

std::vector<uint8_t> DownloaderCurl::MemoryCopyForTesting() {
    return m_store.CopyForTesting();
}

#include "download/DownloaderCurl.h"

#include "app/Log.h"
#include "app/Md5.h"
#include "app/Result.h"
#include "app/TextConv.h"
#include "download/CfgReader.h"
#include "download/HttpTransfer.h"
#include "download/IcmpPinger.h"
#include "download/MirrorRanking.h"
#include "download/XMLParse.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <cstdio>
#include <cstring>

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
    // starts another, so the list drains. A transfer ends at its next chunk, or after the
    // five seconds without data that libcurl allows.
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
    if (m_cfgSegment.handle != nullptr) {
        curl_easy_cleanup(static_cast<CURL*>(m_cfgSegment.handle));
        m_cfgSegment.handle = nullptr;
    }
}

int DownloaderCurl::StartThread(std::function<void()> body) {
    std::lock_guard lock(m_threadsMutex);
    if (m_stopRequested.load()) {
        return 0;
    }
    m_threads.emplace_back(std::move(body));
    return ++m_nextThreadNumber;
}

void DownloaderCurl::Notify(int code, unsigned value1, long value2) {
    std::lock_guard lock(m_fileMutex);
    if (m_callback) {
        m_callback(code, value1, value2);
    }
}

long DownloaderCurl::SetCallback(const ProgressNotify& callback) {
    std::lock_guard lock(m_fileMutex);
    m_callback = callback;
    return m_callback ? kSOk : kEPointer;
}

void DownloaderCurl::SetProxy(const char* proxy) {
    std::lock_guard lock(m_fileMutex);
    m_proxy = proxy != nullptr ? proxy : "";
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

long DownloaderCurl::Stop() {
    m_stopRequested = true;
    m_running = false;
    m_wake.notify_all();
    std::lock_guard lock(m_fileMutex);
    // Once more under the mutex: an InitDownload that was under way has set it again.
    m_running = false;
    m_wake.notify_all();
    CloseFile();
    {
        std::lock_guard table(m_tableMutex);
        m_size = 0;
        m_downloaded = 0;
    }
    m_fileMutexHandle = 0;
    return kSOk;
}

void DownloaderCurl::CloseFile() {
    LogFormat("Download_CloseFile.\n");
    std::lock_guard lock(m_fileMutex);
    m_file.Close();
    m_memory.reset();
}

long DownloaderCurl::FailDescription(long result) {
    std::lock_guard lock(m_fileMutex);
    m_running = false;
    m_outcome = 4;
    Notify(4, 0, 0);
    return result;
}

// ---- Description stage ----

long DownloaderCurl::DownloadCfg(const char* url, const char* localPath) {
    if (url == nullptr || localPath == nullptr) {
        LogFormat("Download_DownloadCfg Error : url or path missing.\n");
        return FailDescription(kEInvalidArg);
    }
    m_stopRequested = false;
    m_outcome = 0;
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
    m_cfgSegment.end = GetDownloadFileLenth(m_cfgUrl, m_proxy);
    m_cfgSegment.lastDataTime = m_cfgSegment.startTime = Now();
    {
        std::lock_guard table(m_tableMutex);
        m_cfgSegment.id = static_cast<int>(m_book.Segments().size());
        m_book.Segments()[m_cfgSegment.id] = m_cfgSegment;
    }
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        LogFormat("Download_DownloadCfg Error : no transfer handle.\n");
        return FailDescription(kEFail);
    }
    m_cfgSegment.handle = handle;
    m_cfgSegment.result = 0;

    if (!m_cfgFile.Open(AnsiToWide(cfgPath), JFile::kWrite | JFile::kBinary)) {
        LogFormat("Download_DownloadCfg Error : cannot create %s.\n", cfgPath);
        curl_easy_cleanup(handle);
        m_cfgSegment.handle = nullptr;
        return FailDescription(kEInvalidArg);
    }
    m_cfgSegment.file = &m_cfgFile;
    m_cfgSegment.owner = this;
    CopyField(m_cfgPath, sizeof m_cfgPath, cfgPath);
    CopyField(m_localPath, sizeof m_localPath, localPath);
    ConfigureDescriptionTransfer(handle, m_cfgUrl, &DownloaderCurl::CfgWriteCallback, &m_cfgSegment,
                                 m_proxy);

    m_running = true;
    DownloadSegment* segment = &m_cfgSegment;
    const int thread = StartThread([this, segment] { CfgTransferThread(segment); });
    if (thread == 0) {
        m_running = false;
        return kEAbort;
    }
    {
        std::lock_guard table(m_tableMutex);
        auto row = m_book.Segments().find(m_cfgSegment.id);
        if (row != m_book.Segments().end()) {
            row->second.thread = thread;
        }
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
    const long written = segment->file->Write(data, static_cast<long>(size * count));
    if (written > 0) {
        segment->current += static_cast<uint32_t>(written);
    }
    return written < 0 ? 0 : static_cast<size_t>(written);
}

void DownloaderCurl::CfgTransferThread(DownloadSegment* segment) {
    if (segment == nullptr) {
        LogFormat("Download_Thread_Download_Cfg Error : pItem == NULL.\n");
        return;
    }
    segment->status = E_Status_Runing;
    auto* handle = static_cast<CURL*>(segment->handle);
    segment->result = static_cast<int>(curl_easy_perform(handle));
    segment->endTime = Now();
    if (segment->status == E_Status_Runing) {
        segment->status = segment->result == 0 ? E_Status_Succeed : E_Status_Fail;
    }
    curl_easy_cleanup(handle);
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
        if (platform::PathExists(AnsiToWide(m_cfgPath))) {
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
        m_outcome = 3;
    }
    if (read != kSOk) {
        return read;
    }

    // A complete package on disk needs no download.
    const std::wstring packagePath = AnsiToWide(item.path);
    Md5Digest digest;
    if (platform::PathExists(packagePath) && Md5OfFile(packagePath, &digest) &&
        Md5HexUpper(digest) == item.wholeHash) {
        std::lock_guard lock(m_fileMutex);
        m_item = item;
        m_outcome = 5;
        Notify(5, 0, 1);
        m_running = false;
        LogFormat("Download_ParseCfg : the package is already complete.\n");
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
    const std::string answer = FetchText(probe.c_str());
    LogFormat("Download : GetNetworkNotFull IP(%s), Result(%s).\n", host->c_str(), answer.c_str());
    return answer.size() >= 2 && answer[0] == '1';
}

long DownloaderCurl::CheckDownload(DownloadItem& item) {
    {
        std::lock_guard table(m_tableMutex);
        m_vecUrlCfg.clear();
    }
    std::vector<UrlCfg> candidates;
    std::optional<UrlCfg> fallback;
    for (int i = 0; i < kMaxMirrors; ++i) {
        UrlCfg& entry = item.mirrors[i];
        if (!entry.valid) {
            continue;
        }
        if (IsContentDeliveryUrl(entry.url) && !fallback) {
            entry.valid = GetDownloadFileLenth(entry.url, m_proxy) == item.size;
            if (entry.valid) {
                fallback = entry;
            }
            continue;
        }
        const bool answered = PingMirror(entry.url, &entry.replyTime);
        LogFormat("Download_CheckPing: ID(%d), Invalid(%s), time(%d).\n", i, TrueFalse(answered),
                  static_cast<int>(entry.replyTime));
        if (!answered) {
            entry.valid = false;
            continue;
        }
        entry.valid = GetDownloadFileLenth(entry.url, m_proxy) == item.size;
        if (entry.valid && !IsContentDeliveryUrl(entry.url)) {
            entry.networkNotFull = GetNetworkNotFull(entry.url);
            candidates.push_back(entry);
        }
        LogFormat("Download_CheckDownload: ID(%d), FileSizeConsistent(%s) NetworkNotFull(%s).\n", i,
                  TrueFalse(entry.valid), TrueFalse(entry.networkNotFull));
    }
    int threadsPerMirror = item.threadsPerMirror;
    std::vector<UrlCfg> ranked =
        RankMirrors(std::move(candidates), fallback ? &*fallback : nullptr, &threadsPerMirror);
    {
        std::lock_guard table(m_tableMutex);
        m_vecUrlCfg = std::move(ranked);
    }
    item.threadsPerMirror = threadsPerMirror;
    for (size_t i = 0; i < m_vecUrlCfg.size(); ++i) {
        LogFormat("Download_CheckDownload: rank %zu, %s, time(%u).\n", i + 1, m_vecUrlCfg[i].url,
                  m_vecUrlCfg[i].replyTime);
    }
    return m_vecUrlCfg.empty() ? kEFail : kSOk;
}

// ---- Scheduler ----

long DownloaderCurl::BeginDownload(const DownloadItem& item) {
    m_item = item;
    {
        std::lock_guard table(m_tableMutex);
        m_size = item.size;
    }
    if (CheckDownload(m_item) != kSOk) {
        LogFormat("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n");
        return kEFail;
    }
    std::lock_guard lock(m_fileMutex);
    CloseFile();
    {
        std::lock_guard table(m_tableMutex);
        m_size = item.size;
        m_downloaded = 0;
    }
    m_memory = platform::AllocatePackageMemory(item.size);
    if (!m_memory) {
        LogFormat("Download_BeginDownload : no memory for %u bytes.\n", item.size);
        return kEPointer;
    }
    // Without the package file every chunk would be refused and every range restarted for
    // ever; the download fails at once instead.
    if (!m_file.Open(AnsiToWide(m_item.path), JFile::kWrite | JFile::kBinary)) {
        LogFormat("Download_BeginDownload : cannot create the package file %s.\n", m_item.path);
        m_memory.reset();
        return kEFail;
    }
    static std::atomic<int> s_mutexHandles{0};
    m_fileMutexHandle = ++s_mutexHandles;
    LogFormat("Download_BeginDownload : OpenFile(%d), FileSize(%d), Mutex(%d), File(%s).\n",
              m_file.IsOpen() ? 1 : 0, static_cast<int>(item.size), m_fileMutexHandle, m_item.path);
    return InitDownload();
}

long DownloaderCurl::InitDownload() {
    if (m_vecUrlCfg.empty()) {
        return kEInvalidArg;
    }
    std::vector<std::string> mirrors;
    for (const UrlCfg& entry : m_vecUrlCfg) {
        mirrors.emplace_back(entry.url);
    }
    std::lock_guard lock(m_fileMutex);
    if (m_stopRequested.load()) {
        return kEAbort;
    }
    std::vector<int> ids;
    {
        std::lock_guard table(m_tableMutex);
        m_downloaded = 0;
        ids = m_book.Init(m_size, mirrors, m_item.threadsPerMirror, Now());
        m_threadCount = m_book.ThreadCount();
    }
    m_running = true;
    m_repairsStarted = 0;
    m_blockGood.assign((static_cast<uint64_t>(m_size) + kBlockSize - 1) / kBlockSize, 0);
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
        FinishIfIdle(); // an empty package has nothing to fetch
    }
    return kSOk;
}

long DownloaderCurl::BeginDownloadItem(DownloadSegment* segment) {
    if (segment == nullptr) {
        return kEPointer;
    }
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        LogFormat("Download_BeginDownloadItem : id(%d) no transfer handle.\n", segment->id);
        return kEFail;
    }
    char range[64] = {};
    std::string url;
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        size = m_size;
        url = segment->url;
        if (segment->end <= size) {
            snprintf(range, sizeof range, "%u-%u", segment->start, segment->end);
        }
        segment->handle = handle;
        segment->result = 0;
        segment->file = &m_file;
        segment->owner = this;
    }
    ConfigureSegmentTransfer(handle, url.c_str(), range[0] != '\0' ? range : nullptr,
                             &DownloaderCurl::SegmentWriteCallback, segment, m_proxy);
    const int thread =
        StartThread([this, segment, handle] { SegmentTransferThread(segment, handle); });
    std::lock_guard table(m_tableMutex);
    if (thread == 0) {
        segment->handle = nullptr;
        curl_easy_cleanup(handle);
        return kEAbort;
    }
    segment->thread = thread;
    LogFormat("Download_BeginDownloadItem : id(%d) thread(%d).\n", segment->id, thread);
    return kSOk;
}

void DownloaderCurl::SegmentTransferThread(DownloadSegment* segment, void* handle) {
    if (segment == nullptr) {
        LogFormat("Download_Internal Error : pItem == NULL.\n");
        return;
    }
    {
        std::lock_guard table(m_tableMutex);
        if (segment->status != E_Status_StopByDispatch) {
            SegmentBook::SetStatus(segment, E_Status_Runing);
        }
    }
    const int result = static_cast<int>(curl_easy_perform(static_cast<CURL*>(handle)));
    int id = 0;
    int status = 0;
    DownloaderCurl* owner = nullptr;
    {
        std::lock_guard table(m_tableMutex);
        segment->result = result;
        segment->endTime = Now();
        if (segment->status == E_Status_Runing) {
            SegmentBook::SetStatus(segment, result == 0 ? E_Status_Succeed : E_Status_Fail);
        }
        segment->handle = nullptr;
        id = segment->id;
        status = segment->status;
        owner = segment->owner;
    }
    curl_easy_cleanup(static_cast<CURL*>(handle));
    if (owner != nullptr) {
        owner->CheckFinish(segment);
    }
    if (result != 0 && status != E_Status_StopByDispatch) {
        LogFormat("Download_Internal ERROR ID(%d), Result(%d).\n", id, result);
    } else {
        LogFormat("Download_Internal Finish (%d).\n", id);
    }
}

size_t DownloaderCurl::SegmentWriteCallback(char* data, size_t size, size_t count, void* user) {
    auto* segment = static_cast<DownloadSegment*>(user);
    if (segment == nullptr || segment->owner == nullptr) {
        return 0;
    }
    DownloaderCurl* engine = segment->owner;
    std::lock_guard lock(engine->m_fileMutex);
    uint32_t current = 0;
    uint32_t end = 0;
    bool wholeFile = false;
    {
        std::lock_guard table(engine->m_tableMutex);
        current = segment->current;
        end = segment->end;
        // A 200 answer to a range request is the whole file from its first byte: right for a
        // range that starts there, wrong anywhere else. Either way the mirror takes over no
        // range again, and a range elsewhere stores none of it.
        long code = 0;
        if (current == segment->start && segment->handle != nullptr &&
            curl_easy_getinfo(static_cast<CURL*>(segment->handle), CURLINFO_RESPONSE_CODE, &code) ==
                CURLE_OK &&
            code == 200) {
            engine->m_book.NoteIgnoresRanges(segment->url);
            wholeFile = segment->start != 0;
        }
    }
    if (wholeFile) {
        return 0;
    }
    // Bytes beyond the range's end are dropped; the short count then ends the transfer with a
    // write error. A range whose end was lowered behind current takes nothing.
    uint64_t length = static_cast<uint64_t>(size) * count;
    const uint64_t room =
        current > end ? 0 : static_cast<uint64_t>(end) + 1 - static_cast<uint64_t>(current);
    length = std::min(length, room);
    const uint32_t stored = engine->WriteAt(data, static_cast<uint32_t>(length), current);
    uint32_t start = 0;
    {
        std::lock_guard table(engine->m_tableMutex);
        start = segment->start;
        segment->current = current + static_cast<uint32_t>(length);
        const uint32_t now = engine->Now();
        if (now != segment->lastDataTime) {
            segment->speed = static_cast<uint32_t>(
                length * 1000 / static_cast<uint32_t>(now - segment->lastDataTime));
            segment->lastDataTime = now;
        }
    }
    if (stored == length && length > 0) {
        engine->CheckCompletedBlocks(start, current, current + static_cast<uint32_t>(length));
    }
    return stored;
}

void DownloaderCurl::ForgetBlockChecks(uint32_t offset, uint32_t length) {
    if (length == 0) {
        return;
    }
    const size_t last = std::min<size_t>((static_cast<uint64_t>(offset) + length - 1) / kBlockSize,
                                         m_blockGood.empty() ? 0 : m_blockGood.size() - 1);
    for (size_t k = offset / kBlockSize; k <= last && k < m_blockGood.size(); ++k) {
        m_blockGood[k] = 0;
    }
}

// A segment that stored [segmentStart, after) has just stored [before, after): every block
// inside its range that ends in that span is now complete from this one transfer.
void DownloaderCurl::CheckCompletedBlocks(uint32_t segmentStart, uint32_t before, uint32_t after) {
    std::lock_guard lock(m_fileMutex);
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        size = m_size;
    }
    if (!m_memory || after > size) {
        return;
    }
    uint64_t k = (static_cast<uint64_t>(segmentStart) + kBlockSize - 1) / kBlockSize;
    k = std::max<uint64_t>(k, before / kBlockSize);
    for (; k < m_blockGood.size() && k * kBlockSize < after; ++k) {
        const uint64_t blockStart = k * kBlockSize;
        const uint64_t blockEnd = std::min<uint64_t>(blockStart + kBlockSize, size);
        if (blockStart < segmentStart || blockEnd > after || blockEnd <= before ||
            k >= m_item.blockHashes.size()) {
            continue;
        }
        m_blockGood[k] =
            Md5HexUpper(m_memory.get() + blockStart, blockEnd - blockStart) == m_item.blockHashes[k]
                ? 1
                : 0;
    }
}

// Whether the description's block digests cover the whole package and every block matches: the
// verification then accepts the package, whatever the whole digest says. Blocks verified while
// downloading are not digested again; the others (those that straddle two ranges) are now.
bool DownloaderCurl::AcceptedByBlocks() {
    std::lock_guard lock(m_fileMutex);
    if (!m_memory || m_blockGood.empty() || m_item.blockHashes.size() < m_blockGood.size()) {
        return false;
    }
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        size = m_size;
    }
    for (size_t k = 0; k < m_blockGood.size(); ++k) {
        if (m_blockGood[k] != 0) {
            continue;
        }
        const uint64_t blockStart = static_cast<uint64_t>(k) * kBlockSize;
        const uint64_t blockEnd = std::min<uint64_t>(blockStart + kBlockSize, size);
        if (Md5HexUpper(m_memory.get() + blockStart, blockEnd - blockStart) !=
            m_item.blockHashes[k]) {
            return false;
        }
        m_blockGood[k] = 1;
    }
    return true;
}

uint32_t DownloaderCurl::WriteAt(const void* data, uint32_t length, uint32_t offset) {
    std::lock_guard lock(m_fileMutex);
    if (!m_running.load()) {
        return 0;
    }
    uint32_t written = 0;
    if (m_file.IsOpen() && data != nullptr && m_file.Seek(static_cast<long>(offset)) == 0) {
        const long count = m_file.Write(data, static_cast<long>(length));
        written = count > 0 ? static_cast<uint32_t>(count) : 0;
    }
    uint32_t downloaded = 0;
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        size = m_size;
    }
    if (m_memory && data != nullptr &&
        static_cast<uint64_t>(offset) + length <= static_cast<uint64_t>(size)) {
        memcpy(m_memory.get() + offset, data, length);
        ForgetBlockChecks(offset, length);
    }
    {
        std::lock_guard table(m_tableMutex);
        m_downloaded = static_cast<uint32_t>(
            std::min<uint64_t>(static_cast<uint64_t>(m_downloaded) + length, size));
        downloaded = m_downloaded;
    }
    Notify(3, downloaded, static_cast<long>(size));
    return written;
}

void DownloaderCurl::CheckFinish(DownloadSegment* segment) {
    LogFormat("Download_CheckFinish.\n");
    std::lock_guard lock(m_fileMutex);
    if (segment != nullptr) {
        int id = 0;
        {
            std::lock_guard table(m_tableMutex);
            id = segment->id;
        }
        Notify(7, static_cast<unsigned>(id),
               static_cast<long>(reinterpret_cast<intptr_t>(segment)));
    }
    // A range that finished early takes over half of the largest remaining one at once: a
    // slow mirror then never keeps a large range until the dispatcher's next round.
    int split = -1;
    if (segment != nullptr && m_running.load() && m_memory) {
        std::lock_guard table(m_tableMutex);
        if (segment->status == E_Status_Succeed) {
            split = m_book.SplitFor(*segment, Now(), "Download_CheckFinish");
        }
    }
    if (split >= 0) {
        DownloadSegment* added = nullptr;
        {
            std::lock_guard table(m_tableMutex);
            added = &m_book.Segments().at(split);
        }
        BeginDownloadItem(added);
    }
    int active = -1;
    {
        std::lock_guard table(m_tableMutex);
        active = m_book.FirstActive();
    }
    if (active >= 0) {
        LogFormat("Download_CheckFinish : continue. now wait (%d).\n", active);
        return;
    }
    FinishIfIdle();
}

// Whether a failed range still waits for the dispatcher to start it again: verifying before
// that would only repair from elsewhere what the restart is about to fetch.
bool DownloaderCurl::AwaitsDispatcher() const {
    for (const auto& [id, segment] : m_book.Segments()) {
        if (segment.status == E_Status_Fail && segment.current <= segment.end) {
            return true;
        }
    }
    return false;
}

void DownloaderCurl::FinishIfIdle() {
    std::lock_guard lock(m_fileMutex);
    if (!m_memory || !m_running.load()) {
        return;
    }
    {
        std::lock_guard table(m_tableMutex);
        if (m_book.FirstActive() >= 0 || AwaitsDispatcher()) {
            return;
        }
    }
    if (CheckHash() != 0) {
        LogFormat("Download_CheckFinish : Finish download.\n");
        CloseFile();
        m_outcome = 5;
        m_running = false;
        m_wake.notify_all();
        uint32_t downloaded = 0;
        uint32_t size = 0;
        {
            std::lock_guard table(m_tableMutex);
            downloaded = m_downloaded;
            size = m_size;
        }
        Notify(5, downloaded, static_cast<long>(size));
        return;
    }
    if (m_repairsStarted > 0) {
        return; // the repairs' own finish checks verify again
    }
    LogFormat("Download_CheckFinish : damaged data cannot be repaired, download failed.\n");
    m_outcome = 4;
    m_running = false;
    m_wake.notify_all();
    uint32_t downloaded = 0;
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        downloaded = m_downloaded;
        size = m_size;
    }
    Notify(4, downloaded, static_cast<long>(size));
}

int DownloaderCurl::CheckHash() {
    std::lock_guard lock(m_fileMutex);
    m_repairsStarted = 0;
    if (!m_memory) {
        return 0;
    }
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        size = m_size;
    }
    if (AcceptedByBlocks()) {
        return 1;
    }
    const HashVerdict verdict =
        SegmentBook::Verify(m_memory.get(), size, m_item.wholeHash, m_item.blockHashes);
    if (verdict.accepted) {
        return 1;
    }
    for (const ByteRange& range : verdict.damaged) {
        if (RepairData(range.first, range.last) == kSOk) {
            ++m_repairsStarted;
        }
    }
    return 0;
}

long DownloaderCurl::RepairData(uint32_t first, uint32_t last) {
    std::lock_guard lock(m_fileMutex);
    DownloadSegment* segment = nullptr;
    {
        std::lock_guard table(m_tableMutex);
        const int id = m_book.AddRepair(first, last, Now());
        if (id < 0) {
            return kEInvalidArg;
        }
        segment = &m_book.Segments().at(id);
    }
    return BeginDownloadItem(segment);
}

int DownloaderCurl::FindLargestRemaining() {
    std::lock_guard table(m_tableMutex);
    return m_book.FindLargestRemaining();
}

std::optional<std::string> DownloaderCurl::GetBestURL(const std::string* excludedUrl) {
    std::lock_guard table(m_tableMutex);
    if (excludedUrl == nullptr) {
        return m_book.BestUrl({});
    }
    return m_book.BestUrl({*excludedUrl});
}

void DownloaderCurl::Dispatch() {
    LogFormat("Download_Dispatch Begining.\n");
    while (m_running.load()) {
        {
            std::unique_lock wait(m_wakeMutex);
            m_wake.wait_for(wait, std::chrono::milliseconds(kDispatchIntervalMilliseconds),
                            [this] { return !m_running.load(); });
        }
        if (!m_running.load()) {
            break;
        }
        std::lock_guard lock(m_fileMutex);
        SegmentBook::Round round;
        {
            std::lock_guard table(m_tableMutex);
            round = m_book.DispatchRound(Now(), m_vecUrlCfg.size());
        }
        for (int id : round.started) {
            DownloadSegment* segment = nullptr;
            {
                std::lock_guard table(m_tableMutex);
                segment = &m_book.Segments().at(id);
            }
            BeginDownloadItem(segment);
        }
        if (round.errorStop) {
            LogFormat("Download_Dispatch : download error, ID(%d).\n", round.errorId);
            m_running = false;
            break;
        }
        // Ranges that were only marked complete start no transfer, so no finish check would
        // follow them.
        FinishIfIdle();
    }
    if (!m_stopRequested.load()) {
        std::lock_guard lock(m_fileMutex);
        const int outcome = m_outcome.load();
        if (outcome != 5 && outcome != 4 && m_memory) {
            uint32_t size = 0;
            uint32_t downloaded = 0;
            {
                std::lock_guard table(m_tableMutex);
                size = m_size;
                downloaded = m_downloaded;
            }
            // The download stopped on an error; it still counts when what arrived is right.
            // No repairs now: the transfers have been told to end.
            const bool accepted =
                AcceptedByBlocks() ||
                SegmentBook::Verify(m_memory.get(), size, m_item.wholeHash, m_item.blockHashes)
                    .accepted;
            if (accepted) {
                LogFormat("Download_Dispatch : CheckHash passed after the error stop.\n");
                CloseFile();
                m_outcome = 5;
                m_running = false;
                Notify(5, downloaded, static_cast<long>(size));
            } else {
                LogFormat("Download_Dispatch : CheckHash download failed.\n");
                m_outcome = 4;
                m_running = false;
                Notify(4, downloaded, static_cast<long>(size));
            }
        }
    }
    LogFormat("Download_Dispatch Endding.\n");
}

// ---- Test hooks ----

std::vector<UrlCfg> DownloaderCurl::RankedMirrors() {
    std::lock_guard table(m_tableMutex);
    return m_vecUrlCfg;
}

DownloadItem DownloaderCurl::ItemForTesting() {
    std::lock_guard lock(m_fileMutex);
    return m_item;
}

void DownloaderCurl::SetTickSourceForTesting(uint32_t (*tick)()) {
    m_tick = tick;
}

long DownloaderCurl::PrepareForTesting(uint32_t size, const char* path) {
    std::lock_guard lock(m_fileMutex);
    CloseFile();
    m_stopRequested = false;
    {
        std::lock_guard table(m_tableMutex);
        m_size = size;
        m_downloaded = 0;
    }
    m_memory = platform::AllocatePackageMemory(size);
    if (path != nullptr) {
        CopyField(m_item.path, sizeof m_item.path, path);
        m_file.Open(AnsiToWide(path), JFile::kWrite | JFile::kBinary);
    }
    m_running = true;
    return m_memory ? kSOk : kEPointer;
}

int DownloaderCurl::StartSegmentForTesting(uint32_t start, uint32_t end, const char* url) {
    std::lock_guard lock(m_fileMutex);
    DownloadSegment* segment = nullptr;
    {
        std::lock_guard table(m_tableMutex);
        const int id = m_book.AddSegment(DownloadSegment{}, url, start, end, Now());
        segment = &m_book.Segments().at(id);
    }
    BeginDownloadItem(segment);
    return segment->id;
}

std::vector<uint8_t> DownloaderCurl::MemoryCopyForTesting() {
    std::lock_guard lock(m_fileMutex);
    std::lock_guard table(m_tableMutex);
    if (!m_memory) {
        return {};
    }
    return std::vector<uint8_t>(m_memory.get(), m_memory.get() + m_size);
}

// The segment transfers of the download engine: starting one, its thread, and how each
// received chunk is stored.
#include "download/DownloaderCurl.h"

#include "app/Log.h"
#include "app/Result.h"

#include <cstdio>

long DownloaderCurl::BeginDownloadItem(DownloadSegment* segment) {
    if (segment == nullptr) {
        return kEPointer;
    }
    CurlEasy handle(curl_easy_init());
    if (!handle) {
        LogFormat("Download_BeginDownloadItem : no transfer handle.\n");
        return kEFail;
    }
    char range[64] = {};
    std::string url;
    {
        std::lock_guard table(m_tableMutex);
        url = segment->url;
        if (segment->end <= m_size) {
            snprintf(range, sizeof range, "%u-%u", segment->start, segment->end);
        }
        // The record only names the handle, so that a transfer counts as active while it
        // runs; the transfer's thread owns it.
        segment->handle = handle.get();
        segment->result = 0;
        segment->file = nullptr;
        segment->owner = this;
    }
    ConfigureSegmentTransfer(handle.get(), url.c_str(), range[0] != '\0' ? range : nullptr,
                             &DownloaderCurl::SegmentWriteCallback,
                             &DownloaderCurl::SegmentProgressCallback, segment, Proxy());
    CURL* raw = handle.get();
    const int thread = StartThread([this, segment, owned = std::move(handle)]() mutable {
        SegmentTransferThread(segment, std::move(owned));
    });
    std::lock_guard table(m_tableMutex);
    if (thread == 0) {
        if (segment->handle == raw) {
            segment->handle = nullptr; // the lambda that owned the handle has released it
        }
        return kEAbort;
    }
    segment->thread = thread;
    LogFormat("Download_BeginDownloadItem : id(%d) thread(%d).\n", segment->id, thread);
    return kSOk;
}

void DownloaderCurl::SegmentTransferThread(DownloadSegment* segment, CurlEasy handle) {
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
    const int result = static_cast<int>(curl_easy_perform(handle.get()));
    handle.reset();
    int id = 0;
    int status = 0;
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
    }
    CheckFinish(segment);
    if (result != 0 && status != E_Status_StopByDispatch) {
        LogFormat("Download_Internal ERROR ID(%d), Result(%d).\n", id, result);
    } else {
        LogFormat("Download_Internal Finish (%d).\n", id);
    }
}

// A transfer ends within a second of Stop or of the end of the download, even while it waits
// for data that never comes.
int DownloaderCurl::SegmentProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t,
                                            curl_off_t) {
    const DownloaderCurl* engine = static_cast<DownloadSegment*>(user)->owner;
    return engine->StopRequested() || !engine->m_running.load() ? 1 : 0;
}

size_t DownloaderCurl::SegmentWriteCallback(char* data, size_t size, size_t count, void* user) {
    auto* segment = static_cast<DownloadSegment*>(user);
    if (segment == nullptr || segment->owner == nullptr) {
        return 0;
    }
    return segment->owner->StoreChunk(segment, data, size * count);
}

size_t DownloaderCurl::StoreChunk(DownloadSegment* segment, const char* data, size_t received) {
    if (!m_running.load()) {
        return 0;
    }
    uint32_t start = 0;
    uint32_t current = 0;
    uint32_t end = 0;
    {
        std::lock_guard table(m_tableMutex);
        start = segment->start;
        current = segment->current;
        end = segment->end;
        // A 200 answer to a range request is the whole file from its first byte: right for a
        // range that starts there, wrong anywhere else. Either way the mirror takes over no
        // range again, and a range elsewhere stores none of it.
        long code = 0;
        if (current == start && segment->handle != nullptr &&
            curl_easy_getinfo(static_cast<CURL*>(segment->handle), CURLINFO_RESPONSE_CODE, &code) ==
                CURLE_OK &&
            code == 200) {
            m_book.NoteIgnoresRanges(segment->url);
            if (start != 0) {
                return 0;
            }
        }
    }
    // Bytes beyond the range's end are dropped; the short count then ends the transfer with a
    // write error. A range whose end was lowered behind current takes nothing.
    const uint64_t room =
        current > end ? 0 : static_cast<uint64_t>(end) + 1 - static_cast<uint64_t>(current);
    const auto length = static_cast<uint32_t>(std::min<uint64_t>(received, room));
    if (length > 0 && WriteAt(data, length, current) != length) {
        return 0;
    }
    const uint32_t now = Now();
    uint32_t downloaded = 0;
    uint32_t size = 0;
    {
        std::lock_guard table(m_tableMutex);
        segment->current = current + length;
        segment->windowBytes += length;
        m_book.NoteDelivered(segment->url, current, length);
        if (now != segment->lastDataTime) {
            segment->speed =
                static_cast<uint32_t>(static_cast<uint64_t>(length) * 1000 /
                                      static_cast<uint32_t>(now - segment->lastDataTime));
            segment->lastDataTime = now;
        }
        m_downloaded = static_cast<uint32_t>(
            std::min<uint64_t>(static_cast<uint64_t>(m_downloaded) + length, m_size));
        downloaded = m_downloaded;
        size = m_size;
    }
    if (length > 0) {
        m_lastDataTick = now;
        VerifyCompletedBlocks(start, current, current + length);
    }
    if (m_running.load()) { // no progress after the end has been announced
        Notify(3, downloaded, static_cast<long>(size));
    }
    return length;
}

uint32_t DownloaderCurl::WriteAt(const void* data, uint32_t length, uint32_t offset) {
    if (!m_running.load()) {
        return 0;
    }
    platform::FileError error;
    if (m_store.Store(data, length, offset, &error)) {
        return length;
    }
    if (!m_running.load()) {
        return 0; // the download ended or stopped meanwhile and released the file
    }
    LogFormat("Download_WriteAt : %u bytes at %u not written: %s.\n", length, offset,
              error.text.c_str());
    if (error.VolumeFull()) {
        const auto [downloaded, size] = Counters();
        EndDownload(DownloadOutcome::kFailed, EndReason::kVolumeFull, downloaded,
                    static_cast<long>(size));
    }
    return 0;
}

// A segment that stored [segmentStart, after) has just stored [before, after): every block
// inside its range that ends in that span is now complete from this one transfer, and is
// digested here, on this thread, while the other transfers go on.
void DownloaderCurl::VerifyCompletedBlocks(uint32_t segmentStart, uint32_t before, uint32_t after) {
    const uint64_t size = m_store.Size();
    uint64_t k = (static_cast<uint64_t>(segmentStart) + kBlockSize - 1) / kBlockSize;
    k = std::max<uint64_t>(k, before / kBlockSize);
    for (; k < m_store.BlockCount() && k * kBlockSize < after; ++k) {
        const uint64_t blockEnd = std::min<uint64_t>((k + 1) * kBlockSize, size);
        if (blockEnd <= after && blockEnd > before) {
            m_store.VerifyBlock(k);
        }
    }
}

// The end of a download: the finish check each transfer runs when it ends, the verification
// with its repairs, and the dispatcher that restarts, moves and splits ranges and watches the
// bounds.
#include "download/DownloaderCurl.h"

#include "app/Log.h"
#include "app/Result.h"

#include <atomic>
#include <thread>

void DownloaderCurl::CheckFinish(DownloadSegment* segment) {
    LogFormat("Download_CheckFinish.\n");
    int id = 0;
    int split = -1;
    {
        std::lock_guard table(m_tableMutex);
        id = segment->id;
        // A range that finished early takes over half of the largest remaining one at once: a
        // slow mirror then never keeps a large range until the dispatcher's next round.
        if (m_running.load() && segment->status == E_Status_Succeed) {
            split = m_book.SplitFor(*segment, Now(), "Download_CheckFinish");
        }
    }
    Notify(7, static_cast<unsigned>(id), static_cast<long>(reinterpret_cast<intptr_t>(segment)));
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
    std::unique_lock finish(m_finishMutex);
    if (!m_running.load() || !m_store.IsReady()) {
        return;
    }
    {
        std::lock_guard table(m_tableMutex);
        if (m_book.FirstActive() >= 0 || AwaitsDispatcher()) {
            return;
        }
    }
    DownloadOutcome outcome = DownloadOutcome::kComplete;
    EndReason reason = EndReason::kComplete;
    if (CheckHash() != 0) {
        LogFormat("Download_CheckFinish : Finish download.\n");
    } else if (m_hashFailure == EndReason::kNone) {
        return; // the repairs' own finish checks verify again
    } else {
        outcome = DownloadOutcome::kFailed;
        reason = m_hashFailure;
        LogFormat("Download_Dispatch : CheckHash download failed.\n");
    }
    const bool ended = ClaimEnd(outcome, reason);
    finish.unlock();
    if (ended) {
        const auto [downloaded, size] = Counters();
        AnnounceEnd(outcome, reason, downloaded, static_cast<long>(size));
    }
}

// Accepted: every block listed in the description matches its digest and the list covers the
// whole package, or else the whole digest matches. A whole digest that differs is never
// accepted on the strength of a partial block list (or of none): that would report damaged
// data as complete.
int DownloaderCurl::CheckHash() {
    m_repairsStarted = 0;
    m_hashFailure = EndReason::kNone;
    if (!m_store.IsReady()) {
        return 0;
    }
    const bool blocksVouch = m_store.BlockCount() > 0 && m_store.EveryBlockListed();
    if (!blocksVouch && m_store.WholeDigest() == m_item.wholeHash) {
        return 1;
    }
    const size_t listed = std::min(m_store.BlockCount(), m_item.blockHashes.size());
    VerifyUnknownBlocks(listed);
    std::vector<ByteRange> damaged;
    for (size_t k = 0; k < listed; ++k) {
        if (m_store.Verdict(k) == BlockVerdict::kBad) {
            const auto first = static_cast<uint32_t>(k * kBlockSize);
            const auto last =
                static_cast<uint32_t>(std::min<uint64_t>((k + 1) * kBlockSize, m_store.Size()) - 1);
            damaged.push_back({first, last});
        }
    }
    if (damaged.empty()) {
        if (blocksVouch) {
            return 1;
        }
        LogFormat("Download_CheckHash : the whole digest differs and %zu of %zu blocks have a "
                  "digest of their own; the package is refused.\n",
                  listed, m_store.BlockCount());
        m_hashFailure = EndReason::kUnverifiable;
        return 0;
    }
    for (const ByteRange& range : damaged) {
        if (RepairData(range.first, range.last) != kSOk) {
            m_hashFailure = EndReason::kUnrepairable;
            return 0;
        }
        ++m_repairsStarted;
    }
    return 0;
}

// The blocks no transfer could digest on its own (those across two ranges, and those a split's
// overlapping byte touched again) are digested here, while the user waits for the end: on this
// thread and one more, each taking the next block in turn.
void DownloaderCurl::VerifyUnknownBlocks(size_t listed) {
    std::vector<size_t> unknown;
    for (size_t k = 0; k < listed; ++k) {
        if (m_store.Verdict(k) == BlockVerdict::kUnknown) {
            unknown.push_back(k);
        }
    }
    std::atomic<size_t> next{0};
    auto digest = [this, &unknown, &next] {
        for (size_t i = next++; i < unknown.size(); i = next++) {
            m_store.VerifyBlock(unknown[i]);
        }
    };
    std::jthread helper; // joined when this returns
    if (unknown.size() > 1) {
        helper = std::jthread(digest);
    }
    digest();
}

long DownloaderCurl::RepairData(uint32_t first, uint32_t last) {
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

void DownloaderCurl::Dispatch() {
    LogFormat("Download_Dispatch Begining.\n");
    for (;;) {
        {
            std::unique_lock wait(m_wakeMutex);
            m_wake.wait_for(wait, std::chrono::milliseconds(kDispatchIntervalMilliseconds),
                            [this] { return !m_running.load(); });
            if (!m_running.load()) {
                break;
            }
        }
        const uint32_t now = Now();
        const uint32_t quiet = now - m_lastDataTick.load();
        if (quiet >= kNoProgressMilliseconds) {
            LogFormat("Download_Dispatch : no mirror delivered a byte for %u ms (bound %u ms), "
                      "download failed.\n",
                      quiet, kNoProgressMilliseconds);
            const auto [downloaded, size] = Counters();
            EndDownload(DownloadOutcome::kFailed, EndReason::kNoProgress, downloaded,
                        static_cast<long>(size));
            break;
        }
        SegmentBook::Round round;
        {
            std::lock_guard table(m_tableMutex);
            round = m_book.DispatchRound(now, m_mirrorUrls);
        }
        for (int id : round.started) {
            DownloadSegment* segment = nullptr;
            {
                std::lock_guard table(m_tableMutex);
                segment = &m_book.Segments().at(id);
            }
            BeginDownloadItem(segment);
        }
        if (round.tooSlow >= 0) {
            LogFormat("Download_Dispatch : download error, ID(%d).\n", round.tooSlow);
            const auto [downloaded, size] = Counters();
            EndDownload(DownloadOutcome::kFailed, EndReason::kTooSlow, downloaded,
                        static_cast<long>(size));
            break;
        }
        // Ranges that were only marked complete start no transfer, so no finish check would
        // follow them.
        FinishIfIdle();
    }
    LogFormat("Download_Dispatch Endding.\n");
}

#include "download/SegmentBook.h"

#include "app/Log.h"
#include "app/Md5.h"

#include <algorithm>

namespace {

// Bytes left in a segment's range; negative when a lowered end already lies behind current.
int64_t Remaining(const DownloadSegment& segment) {
    return static_cast<int64_t>(segment.end) - static_cast<int64_t>(segment.current);
}

bool RangeComplete(const DownloadSegment& segment) {
    return static_cast<uint64_t>(segment.current) >= static_cast<uint64_t>(segment.end) + 1;
}

bool Contains(const std::vector<std::string>& urls, const std::string& url) {
    return std::find(urls.begin(), urls.end(), url) != urls.end();
}

std::string JoinUrls(const std::vector<std::string>& urls) {
    std::string text;
    for (const std::string& url : urls) {
        text += (text.empty() ? "" : ", ") + url;
    }
    return text.empty() ? "no mirror" : text;
}

} // namespace

const char* SegmentStatusName(int status) {
    static const char* const kNames[] = {"E_Status_Runing", "E_Status_StopByDispatch",
                                         "E_Status_Fail", "E_Status_Succeed"};
    if (status < 0 || status > E_Status_Succeed) {
        return "E_Status_Unknown";
    }
    return kNames[status];
}

void SegmentBook::SetStatus(DownloadSegment* segment, int status) {
    if (segment->status == status) {
        return;
    }
    LogFormat("Download_Segment : ID(%d) %s -> %s.\n", segment->id,
              SegmentStatusName(segment->status), SegmentStatusName(status));
    segment->status = status;
}

std::vector<int> SegmentBook::Init(uint32_t size, const std::vector<std::string>& mirrors,
                                   int perMirror, uint32_t now) {
    m_segments.clear();
    m_repairs.clear();
    m_suspects.clear();
    m_rangeIgnorers.clear();
    m_deliverers.clear();
    m_deliveredBy.clear();
    m_repairAvoids.clear();
    m_threadCount = 0;
    if (mirrors.empty()) {
        return {};
    }
    if (perMirror < 1 || perMirror > 10) {
        perMirror = 2;
    }
    uint32_t count = static_cast<uint32_t>(perMirror) * static_cast<uint32_t>(mirrors.size());
    // Fewer bytes than transfers would leave ranges that end before they start.
    count = std::min(count, size);
    m_threadCount = static_cast<int>(count);
    if (count == 0) {
        return {};
    }
    const uint32_t length = size / count;
    std::vector<int> ids;
    for (uint32_t i = 0; i < count; ++i) {
        DownloadSegment segment;
        segment.id = static_cast<int>(i);
        segment.url = mirrors[i % mirrors.size()];
        segment.start = segment.current = i * length;
        segment.end = i + 1 == count ? size - 1 : segment.start + length - 1;
        segment.lastDataTime = segment.startTime = segment.windowStart = now;
        m_segments.emplace(segment.id, segment);
        ids.push_back(segment.id);
    }
    return ids;
}

std::vector<int> SegmentBook::InitRanges(std::vector<ByteRange> ranges,
                                         const std::vector<std::string>& mirrors, int perMirror,
                                         uint32_t now) {
    Init(0, {}, perMirror, now);
    if (mirrors.empty() || ranges.empty()) {
        return {};
    }
    if (perMirror < 1 || perMirror > 10) {
        perMirror = 2;
    }
    const size_t count = static_cast<size_t>(perMirror) * mirrors.size();
    auto length = [](const ByteRange& range) { return uint64_t{range.last} - range.first + 1; };
    while (ranges.size() < count) {
        auto largest = std::max_element(ranges.begin(), ranges.end(),
                                        [&](auto& a, auto& b) { return length(a) < length(b); });
        if (length(*largest) < 2 * uint64_t{kMinSplitBytes}) {
            break;
        }
        const uint32_t half = static_cast<uint32_t>(length(*largest) / 2);
        const ByteRange upper = {largest->first + half, largest->last};
        largest->last = largest->first + half - 1;
        ranges.insert(largest + 1, upper);
    }
    while (ranges.size() > count) {
        size_t closest = 0;
        for (size_t i = 1; i + 1 < ranges.size(); ++i) {
            if (ranges[i + 1].first - ranges[i].last <
                ranges[closest + 1].first - ranges[closest].last) {
                closest = i;
            }
        }
        ranges[closest].last = ranges[closest + 1].last;
        ranges.erase(ranges.begin() + static_cast<long>(closest) + 1);
    }
    m_threadCount = static_cast<int>(ranges.size());
    std::vector<int> ids;
    for (size_t i = 0; i < ranges.size(); ++i) {
        ids.push_back(AddSegment(DownloadSegment{}, mirrors[i % mirrors.size()], ranges[i].first,
                                 ranges[i].last, now));
    }
    return ids;
}

int SegmentBook::FindLargestRemaining() const {
    int best = -1;
    int64_t bestRemaining = 0;
    for (const auto& [id, segment] : m_segments) {
        if (segment.status != E_Status_Runing) {
            continue;
        }
        if (best < 0 || Remaining(segment) > bestRemaining) {
            best = id;
            bestRemaining = Remaining(segment);
        }
    }
    return best;
}

std::optional<std::string> SegmentBook::BestUrl(const std::vector<std::string>& given) const {
    std::vector<std::string> excluded = given;
    excluded.insert(excluded.end(), m_rangeIgnorers.begin(), m_rangeIgnorers.end());
    if (!m_suspects.empty()) {
        std::vector<std::string> trusted = excluded;
        trusted.insert(trusted.end(), m_suspects.begin(), m_suspects.end());
        if (auto url = BestUrlAmong(trusted, 0)) {
            return url;
        }
    }
    return BestUrlAmong(excluded, 0);
}

std::optional<std::string> SegmentBook::BestUrlAmong(const std::vector<std::string>& excluded,
                                                     uint32_t minimumSpeed) const {
    const DownloadSegment* best = nullptr;
    uint32_t bestSpeed = minimumSpeed;
    for (const auto& [id, segment] : m_segments) {
        // A transfer that failed only because its range was lowered under it (a split) did
        // deliver its range; any other failed one does not count.
        const bool failed = segment.status == E_Status_Fail && !RangeComplete(segment);
        if (failed || Contains(excluded, segment.url)) {
            continue;
        }
        if (segment.speed > bestSpeed) {
            best = &segment;
            bestSpeed = segment.speed;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return best->url;
}

int SegmentBook::FirstActive() const {
    for (const auto& [id, segment] : m_segments) {
        if (segment.handle != nullptr) {
            return id;
        }
    }
    return -1;
}

int SegmentBook::CountRunning() const {
    return static_cast<int>(std::count_if(m_segments.begin(), m_segments.end(), [](const auto& e) {
        return e.second.status == E_Status_Runing;
    }));
}

int SegmentBook::AddSegment(const DownloadSegment& model, const std::string& url, uint32_t start,
                            uint32_t end, uint32_t now) {
    DownloadSegment segment = model;
    segment.id = m_segments.empty() ? 0 : m_segments.rbegin()->first + 1;
    segment.url = url;
    segment.start = segment.current = start;
    segment.end = end;
    segment.handle = nullptr;
    segment.result = 0;
    segment.thread = 0;
    segment.speed = 0;
    segment.endTime = 0;
    segment.lastDataTime = segment.startTime = now;
    segment.status = E_Status_Runing;
    segment.windowStart = now;
    segment.windowBytes = 0;
    m_segments.emplace(segment.id, segment);
    return segment.id;
}

// The fastest other mirror that delivers; when none does (an outage, or every other transfer
// failing), the next mirror in rank after the segment's own, so that a short outage is ridden
// out by trying each mirror in turn; with a single mirror, that mirror.
std::string SegmentBook::ReplacementUrl(const DownloadSegment& segment,
                                        const std::vector<std::string>& mirrors) const {
    std::vector<std::string> excluded = Avoided(segment.id);
    excluded.push_back(segment.url);
    if (auto url = BestUrl(excluded)) {
        return *url;
    }
    const auto own = std::find(mirrors.begin(), mirrors.end(), segment.url);
    const size_t start = own == mirrors.end() ? 0 : static_cast<size_t>(own - mirrors.begin());
    const std::vector<std::string> avoided = Avoided(segment.id);
    for (bool avoiding : {true, false}) {
        for (size_t step = 1; step <= mirrors.size(); ++step) {
            const std::string& next = mirrors[(start + step) % mirrors.size()];
            if (!IgnoresRanges(next) && !(avoiding && Contains(avoided, next))) {
                return next;
            }
        }
    }
    return segment.url;
}

std::vector<std::string> SegmentBook::Avoided(int id) const {
    const auto found = m_repairAvoids.find(id);
    return found == m_repairAvoids.end() ? std::vector<std::string>{} : found->second;
}

void SegmentBook::InheritAvoided(int from, int to) {
    const auto found = m_repairAvoids.find(from);
    if (found != m_repairAvoids.end()) {
        m_repairAvoids[to] = found->second;
    }
}

// Starts [current, end] of a failed or stalled segment again on url.
void SegmentBook::RestartRange(DownloadSegment* segment, const std::string& url, uint32_t now,
                               Round* round) {
    const int id = AddSegment(*segment, url, segment->current, segment->end, now);
    InheritAvoided(segment->id, id);
    round->started.push_back(id);
}

bool SegmentBook::ClosesSlowWindow(DownloadSegment* segment, uint32_t now) {
    const uint32_t elapsed = now - segment->windowStart;
    if (elapsed < kSlowWindowMilliseconds) {
        return false;
    }
    if (static_cast<uint64_t>(segment->windowBytes) * 1000 <
        static_cast<uint64_t>(kSlowBytesPerSecond) * elapsed) {
        return true;
    }
    segment->windowStart = now;
    segment->windowBytes = 0;
    return false;
}

SegmentBook::Round SegmentBook::DispatchRound(uint32_t now,
                                              const std::vector<std::string>& mirrors) {
    Round round;
    // Segments added in this round have higher ids and are visited in it as well; map
    // iterators stay valid across the insertions.
    for (auto it = m_segments.begin(); it != m_segments.end(); ++it) {
        DownloadSegment& segment = it->second;
        switch (segment.status) {
        case E_Status_Fail: {
            SetStatus(&segment, E_Status_StopByDispatch);
            if (!RangeComplete(segment)) {
                RestartRange(&segment, ReplacementUrl(segment, mirrors), now, &round);
            }
            break;
        }
        case E_Status_Runing: {
            if (RangeComplete(segment)) {
                break; // every byte is in; the transfer is about to end by itself
            }
            std::string url;
            if (now - segment.lastDataTime >= kStallMilliseconds) {
                url = ReplacementUrl(segment, mirrors);
                LogFormat("Download_Dispatch : ID(%d) stalled for %u ms, moved to %s.\n",
                          segment.id, now - segment.lastDataTime, url.c_str());
            } else if (ClosesSlowWindow(&segment, now)) {
                auto faster = BestUrlAmong({segment.url}, kSlowBytesPerSecond - 1);
                LogFormat("Download_Dispatch : ID(%d) stored %u bytes in %u ms, below %u bytes/s"
                          "%s%s.\n",
                          segment.id, segment.windowBytes, now - segment.windowStart,
                          kSlowBytesPerSecond, faster ? ", moved to " : ", no faster mirror",
                          faster ? faster->c_str() : "");
                if (!faster) {
                    round.tooSlow = segment.id;
                    return round;
                }
                url = *faster;
            } else {
                break;
            }
            RestartRange(&segment, url, now, &round);
            segment.end = segment.current;
            SetStatus(&segment, E_Status_StopByDispatch);
            break;
        }
        case E_Status_Succeed: {
            const int id = SplitFor(segment, now, "Download_Dispatch");
            if (id >= 0) {
                round.started.push_back(id);
            }
            break;
        }
        default:
            break;
        }
    }
    return round;
}

int SegmentBook::SplitFor(const DownloadSegment& succeeded, uint32_t now, const char* who) {
    if (CountRunning() >= m_threadCount) {
        return -1;
    }
    const int donorId = FindLargestRemaining();
    if (donorId < 0) {
        return -1;
    }
    const DownloadSegment model = m_segments.at(donorId);
    if (Remaining(model) < static_cast<int64_t>(kMinSplitBytes)) {
        return -1;
    }
    // The mirror that just finished a range serves the split when no other one delivers: it
    // has proved itself, and stopping a healthy download helps nobody. Part of a repair never
    // goes to a mirror that delivered the damage.
    const std::vector<std::string> avoided = Avoided(donorId);
    std::vector<std::string> excluded = avoided;
    excluded.push_back(model.url);
    std::optional<std::string> url = BestUrl(excluded);
    if (!url && !IgnoresRanges(succeeded.url) && !Contains(avoided, succeeded.url)) {
        url = succeeded.url;
    }
    if (!url) {
        return -1;
    }
    const uint32_t half = static_cast<uint32_t>(Remaining(model) / 2);
    const int id = AddSegment(model, *url, model.current + half, model.end, now);
    InheritAvoided(donorId, id);
    m_segments.at(donorId).end -= half;
    LogFormat("%s : ID(%d) split, ID(%d) takes start(%u), end(%u).\n", who, donorId, id,
              model.current + half, model.end);
    return id;
}

void SegmentBook::NoteIgnoresRanges(const std::string& url) {
    if (IgnoresRanges(url)) {
        return;
    }
    LogFormat("Download_Segment : %s ignores byte ranges, it takes over no range.\n", url.c_str());
    m_rangeIgnorers.push_back(url);
}

bool SegmentBook::IgnoresRanges(const std::string& url) const {
    return Contains(m_rangeIgnorers, url);
}

HashVerdict SegmentBook::Verify(const uint8_t* data, uint32_t size, const std::string& wholeHash,
                                const std::vector<std::string>& blockHashes) {
    HashVerdict verdict;
    if (Md5HexUpper(data, size) == wholeHash) {
        verdict.accepted = true;
        return verdict;
    }
    if (size == 0) {
        verdict.accepted = blockHashes.empty();
        return verdict;
    }
    bool accepted = true;
    for (size_t k = 0; k < blockHashes.size(); ++k) {
        const uint64_t offset = static_cast<uint64_t>(k) * kBlockSize;
        if (offset + kBlockSize >= size) {
            const auto first = static_cast<uint32_t>(offset);
            if (Md5HexUpper(data + offset, size - first) == blockHashes[k]) {
                verdict.accepted = accepted;
                return verdict;
            }
            verdict.damaged.push_back({first, size - 1});
            verdict.accepted = false;
            return verdict;
        }
        if (Md5HexUpper(data + offset, kBlockSize) != blockHashes[k]) {
            const auto first = static_cast<uint32_t>(offset);
            verdict.damaged.push_back({first, first + kBlockSize - 1});
            accepted = false;
        }
    }
    verdict.accepted = accepted;
    return verdict;
}

void SegmentBook::NoteDelivered(const std::string& url, uint32_t offset, uint32_t length) {
    if (length == 0) {
        return;
    }
    auto known = std::find(m_deliverers.begin(), m_deliverers.end(), url);
    if (known == m_deliverers.end()) {
        // A download has at most five ranked mirrors; the bits leave room for more.
        if (m_deliverers.size() >= 32) {
            return;
        }
        known = m_deliverers.insert(m_deliverers.end(), url);
    }
    const uint32_t bit = 1u << static_cast<uint32_t>(known - m_deliverers.begin());
    const size_t first = offset / kBlockSize;
    const size_t last = (static_cast<uint64_t>(offset) + length - 1) / kBlockSize;
    if (m_deliveredBy.size() <= last) {
        m_deliveredBy.resize(last + 1, 0);
    }
    for (size_t k = first; k <= last; ++k) {
        m_deliveredBy[k] |= bit;
    }
}

std::vector<std::string> SegmentBook::DeliverersOf(uint32_t first, uint32_t last) const {
    uint32_t bits = 0;
    for (size_t k = first / kBlockSize; k <= last / kBlockSize && k < m_deliveredBy.size(); ++k) {
        bits |= m_deliveredBy[k];
    }
    std::vector<std::string> urls;
    for (size_t i = 0; i < m_deliverers.size(); ++i) {
        if ((bits & (1u << i)) != 0) {
            urls.push_back(m_deliverers[i]);
        }
    }
    return urls;
}

int SegmentBook::AddRepair(uint32_t first, uint32_t last, uint32_t now) {
    const int repairs = ++m_repairs[first];
    if (repairs > kMaxRepairsPerBlock) {
        LogFormat("Download_RepairData : start(%u), end(%u) still damaged after %d repairs.\n",
                  first, last, repairs - 1);
        return -1;
    }
    const std::vector<std::string> delivered = DeliverersOf(first, last);
    if (delivered.size() == 1 && !Contains(m_suspects, delivered[0])) {
        LogFormat("Download_RepairData : %s delivered damaged data.\n", delivered[0].c_str());
        m_suspects.push_back(delivered[0]);
    }
    // A mirror that delivered none of the damaged bytes cannot have damaged them. When every
    // delivering mirror sent some of them, any may be the one: the fastest repairs, and should
    // it bring the damage back, it alone delivered the block and is passed over next time. A
    // mirror that alone delivered the bytes never repairs them (with a single mirror nothing
    // can).
    std::optional<std::string> url = BestUrl(delivered);
    if (url) {
        LogFormat("Download_RepairData : start(%u), end(%u) came from %s; %s delivered none of "
                  "it and repairs it.\n",
                  first, last, JoinUrls(delivered).c_str(), url->c_str());
    } else if (delivered.size() > 1) {
        url = BestUrl({});
        if (url) {
            LogFormat("Download_RepairData : start(%u), end(%u) came from %s, every mirror that "
                      "delivers; %s repairs it.\n",
                      first, last, JoinUrls(delivered).c_str(), url->c_str());
        }
    }
    if (!url) {
        LogFormat("Download_RepairData : GetBestURL error, start(%d), end(%d).\n",
                  static_cast<int>(first), static_cast<int>(last));
        return -1;
    }
    for (size_t k = first / kBlockSize; k <= last / kBlockSize && k < m_deliveredBy.size(); ++k) {
        m_deliveredBy[k] = 0; // the repair rewrites the block whole
    }
    const int id = AddSegment(DownloadSegment{}, *url, first, last, now);
    if (!Contains(delivered, *url)) {
        m_repairAvoids[id] = delivered;
    }
    LogFormat("Download_RepairData : GetBestURL Info, start(%d), end(%d), ID(%d).\n",
              static_cast<int>(first), static_cast<int>(last), id);
    return id;
}

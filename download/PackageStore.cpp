#include "download/PackageStore.h"

#include "app/Md5.h"
#include "app/TextConv.h"
#include "platform/CpuTime.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Processor time, not wall time: with more transfer threads than cores a digest is often
// preempted, and the cost of verifying is what the processor spent on it.
uint64_t NanosecondsSince(uint64_t start) {
    return platform::ThreadCpuNanoseconds() - start;
}

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

} // namespace

bool PackageStore::Allocate(uint32_t size, std::vector<std::string> blockHashes) {
    std::unique_lock lifetime(m_lifetime);
    m_memory = platform::AllocatePackageMemory(size);
    if (!m_memory) {
        return false;
    }
    m_size = size;
    m_blockCount = (static_cast<uint64_t>(size) + kBlockSize - 1) / kBlockSize;
    m_blockHashes = std::move(blockHashes);
    m_blockLocks = std::make_unique<std::shared_mutex[]>(std::max<size_t>(m_blockCount, 1));
    m_verdicts = std::make_unique<std::atomic<BlockVerdict>[]>(std::max<size_t>(m_blockCount, 1));
    for (size_t k = 0; k < m_blockCount; ++k) {
        m_verdicts[k] = BlockVerdict::kUnknown;
    }
    return true;
}

void PackageStore::Prefault(const std::function<bool()>& stop) {
    constexpr uint64_t kStep = 2u << 20; // one large page: Release waits for at most one step
    for (uint64_t offset = 0;; offset += kStep) {
        if (stop()) {
            return;
        }
        std::shared_lock lifetime(m_lifetime);
        if (!m_memory || offset >= m_size ||
            !platform::PrefaultPackageMemory(m_memory.get() + offset,
                                             std::min<uint64_t>(kStep, m_size - offset))) {
            return;
        }
    }
}

bool PackageStore::OpenFile(const char* path, platform::FileError* error) {
    std::unique_lock lifetime(m_lifetime);
    return m_file.Open(AnsiToWide(path), error);
}

int64_t PackageStore::FileLength() const {
    std::shared_lock lifetime(m_lifetime);
    return m_file.Length();
}

bool PackageStore::ResetFile(uint32_t size, platform::FileError* error) {
    // Shared: the descriptor only has to outlive the calls, and the memory copy's pages are
    // backed meanwhile. No transfer stores before the file is reserved.
    std::shared_lock lifetime(m_lifetime);
    return m_file.Truncate(0, error) && m_file.Reserve(size, error);
}

size_t PackageStore::AdoptFile(platform::FileError* error) {
    {
        std::unique_lock lifetime(m_lifetime);
        if (!m_memory || !m_file.ReadAt(m_memory.get(), m_size, 0, error)) {
            return 0;
        }
    }
    size_t kept = 0;
    for (size_t k = 0; k < m_blockCount; ++k) {
        kept += VerifyBlock(k) == BlockVerdict::kGood ? 1 : 0;
    }
    return kept;
}

void PackageStore::Release() {
    std::unique_lock lifetime(m_lifetime);
    m_file.Close();
    m_memory.reset();
}

bool PackageStore::IsReady() const {
    std::shared_lock lifetime(m_lifetime);
    return m_memory != nullptr && m_file.IsOpen();
}

uint32_t PackageStore::BlockLength(size_t k) const {
    const uint64_t start = static_cast<uint64_t>(k) * kBlockSize;
    return static_cast<uint32_t>(std::min<uint64_t>(kBlockSize, m_size - start));
}

bool PackageStore::Store(const void* data, uint32_t length, uint32_t offset,
                         platform::FileError* error) {
    std::shared_lock lifetime(m_lifetime);
    if (!m_memory || !m_file.IsOpen() ||
        static_cast<uint64_t>(offset) + length > static_cast<uint64_t>(m_size)) {
        if (error != nullptr) {
            *error = {EBADF, "the package file is closed"};
        }
        return false;
    }
    if (length == 0) {
        return true;
    }
    // The file first: the memory copy, which the verification reads, only ever holds bytes
    // that are on disk as well.
    if (!m_file.WriteAt(data, length, offset, error)) {
        return false;
    }
    const size_t first = offset / kBlockSize;
    const size_t last = (static_cast<uint64_t>(offset) + length - 1) / kBlockSize;
    for (size_t k = first; k <= last; ++k) {
        m_blockLocks[k].lock();
    }
    memcpy(m_memory.get() + offset, data, length);
    for (size_t k = first; k <= last; ++k) {
        m_verdicts[k] = BlockVerdict::kUnknown;
    }
    for (size_t k = last + 1; k-- > first;) {
        m_blockLocks[k].unlock();
    }
    return true;
}

BlockVerdict PackageStore::VerifyBlock(size_t k) {
    std::shared_lock lifetime(m_lifetime);
    if (!m_memory || k >= m_blockCount || k >= m_blockHashes.size()) {
        return BlockVerdict::kUnknown;
    }
    std::shared_lock block(m_blockLocks[k]);
    const uint64_t start = static_cast<uint64_t>(k) * kBlockSize;
    const uint64_t began = platform::ThreadCpuNanoseconds();
    const BlockVerdict verdict =
        Md5HexUpper(m_memory.get() + start, BlockLength(k)) == m_blockHashes[k]
            ? BlockVerdict::kGood
            : BlockVerdict::kBad;
    m_digestNanoseconds += NanosecondsSince(began);
    m_digestedBytes += BlockLength(k);
    // Still under the block's lock: no store came in between, so the verdict is that of the
    // bytes just digested.
    m_verdicts[k] = verdict;
    return verdict;
}

BlockVerdict PackageStore::Verdict(size_t k) const {
    return k < m_blockCount ? m_verdicts[k].load() : BlockVerdict::kUnknown;
}

std::string PackageStore::WholeDigest() {
    std::shared_lock lifetime(m_lifetime);
    if (!m_memory) {
        return {};
    }
    DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        return {};
    }
    const uint64_t began = platform::ThreadCpuNanoseconds();
    for (size_t k = 0; k < m_blockCount; ++k) {
        std::shared_lock block(m_blockLocks[k]);
        EVP_DigestUpdate(context.get(), m_memory.get() + static_cast<uint64_t>(k) * kBlockSize,
                         BlockLength(k));
    }
    Md5Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest.data(), &length);
    m_digestNanoseconds += NanosecondsSince(began);
    m_digestedBytes += m_size;
    return Md5HexUpper(digest);
}

std::vector<uint8_t> PackageStore::CopyForTesting() {
    std::unique_lock lifetime(m_lifetime);
    if (!m_memory) {
        return {};
    }
    return std::vector<uint8_t>(m_memory.get(), m_memory.get() + m_size);
}

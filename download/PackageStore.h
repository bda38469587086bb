// Where the bytes of a package download go: the package file and the memory copy beside it,
// with a verdict per 1 MiB block. Segment threads store chunks and digest the blocks they
// complete at the same time, without a lock of the engine.
//
// Locks, in this order:
//  - m_lifetime: shared by every store, digest and read, unique while the file and the memory
//    copy are set up or released, so that Release never frees memory a writer still copies to.
//  - one shared mutex per block: a store takes the blocks it touches exclusively (in ascending
//    order), a digest takes its block shared. A repair, a split-off range or a late byte of a
//    replaced range that rewrites a block being digested therefore waits for that digest (at most
//    one MD5 of 1 MiB), then resets the block's verdict, so the block is digested again by the
//    next thread that completes it or by the finish check. A verdict thus always belongs to the
//    bytes the block held while it was digested.
#pragma once

#include "download/DownloadTypes.h"
#include "platform/PackageFile.h"
#include "platform/PackageMemory.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

enum class BlockVerdict : uint8_t { kUnknown = 0, kGood = 1, kBad = 2 };

class PackageStore {
public:
    // Memory copy of size zeroed bytes and the block table; false when the memory cannot be had.
    // blockHashes[k] is the digest of block k (fewer entries leave later blocks unlisted).
    bool Allocate(uint32_t size, std::vector<std::string> blockHashes);
    // Backs the memory copy with pages, 2 MiB at a time, until it is done, released, or stop
    // says so; its bytes stay as they are, so transfers may store meanwhile. The kernel zeroes
    // each page it backs: done here, while the mirrors are checked, that work is off the
    // transfers' way. Any thread.
    void Prefault(const std::function<bool()>& stop);
    // Opens the package file at a Windows path, keeping its bytes.
    bool OpenFile(const char* path, platform::FileError* error);
    // The open file's length, -1 without one.
    int64_t FileLength() const;
    // Empties the file and reserves size bytes for it. Any thread.
    bool ResetFile(uint32_t size, platform::FileError* error);
    // Reads the file into the memory copy and digests every listed block; the number of blocks
    // that match. Only for a file that already has the package's size.
    size_t AdoptFile(platform::FileError* error);
    // Closes the file and frees the memory copy; waits for stores and digests under way.
    void Release();
    bool IsReady() const;

    uint32_t Size() const { return m_size; }
    size_t BlockCount() const { return m_blockCount; }
    bool EveryBlockListed() const { return m_blockHashes.size() >= m_blockCount; }

    // Writes length bytes at offset to the file, then, only when the file took all of them, to
    // the memory copy, resetting the verdict of every block touched. Any thread.
    bool Store(const void* data, uint32_t length, uint32_t offset, platform::FileError* error);
    // Digests block k on the calling thread and records the verdict; unlisted blocks stay
    // unknown. Any thread.
    BlockVerdict VerifyBlock(size_t k);
    BlockVerdict Verdict(size_t k) const;
    // The whole package's digest, 32 upper-case hexadecimal digits ("" when released).
    std::string WholeDigest();
    // What the verification cost so far: bytes digested and the processor time spent digesting
    // them, summed over all threads.
    struct DigestCost {
        uint64_t bytes = 0;
        uint64_t nanoseconds = 0;
    };
    DigestCost Cost() const { return {m_digestedBytes.load(), m_digestNanoseconds.load()}; }
    std::vector<uint8_t> CopyForTesting();

private:
    uint32_t BlockLength(size_t k) const;

    mutable std::shared_mutex m_lifetime;
    platform::PackageFile m_file;
    platform::PackageMemory m_memory;
    // Set by Allocate before any transfer starts and unchanged until Release.
    uint32_t m_size = 0;
    size_t m_blockCount = 0;
    std::vector<std::string> m_blockHashes;
    std::unique_ptr<std::shared_mutex[]> m_blockLocks;
    std::unique_ptr<std::atomic<BlockVerdict>[]> m_verdicts;
    std::atomic<uint64_t> m_digestedBytes{0};
    std::atomic<uint64_t> m_digestNanoseconds{0};
};

#include "install/ArchiveBounds.h"

#include <vector>

namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr uint64_t kMinDictionaryAllowed = 1 << 20;
// Sanity bounds on counts in a packed header's description; real ones have one folder.
constexpr uint64_t kMaxCount = 64;

enum : uint64_t {
    kEnd = 0x00,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kEncodedHeader = 0x17,
};

uint32_t Little32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Reads the header's byte and number encodings; once past the end, every read gives 0 and
// Failed() turns true.
class HeaderReader {
public:
    HeaderReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Failed() const { return m_failed; }
    uint8_t Byte() {
        if (m_position >= m_size) {
            m_failed = true;
            return 0;
        }
        return m_data[m_position++];
    }
    // The 7z number: the leading one bits of the first byte count the bytes that follow.
    uint64_t Number() {
        const uint8_t first = Byte();
        uint8_t mask = 0x80;
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if ((first & mask) == 0) {
                return value | (static_cast<uint64_t>(first & (mask - 1)) << (8 * i));
            }
            value |= static_cast<uint64_t>(Byte()) << (8 * i);
            mask >>= 1;
        }
        return value;
    }
    std::vector<uint8_t> Bytes(uint64_t count) {
        std::vector<uint8_t> bytes;
        if (count > m_size - m_position) {
            m_failed = true;
            return bytes;
        }
        bytes.assign(m_data + m_position, m_data + m_position + count);
        m_position += count;
        return bytes;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
    bool m_failed = false;
};

struct Coder {
    std::vector<uint8_t> id;
    std::vector<uint8_t> properties;
};

// What a coder declares it needs in memory, 0 when it declares nothing of that kind.
uint64_t DeclaredMemory(const Coder& coder) {
    const std::vector<uint8_t> lzma = {0x03, 0x01, 0x01};
    const std::vector<uint8_t> lzma2 = {0x21};
    const std::vector<uint8_t> ppmd = {0x03, 0x04, 0x01};
    if ((coder.id == lzma || coder.id == ppmd) && coder.properties.size() >= 5) {
        return Little32(coder.properties.data() + 1);
    }
    if (coder.id == lzma2 && coder.properties.size() >= 1) {
        const unsigned p = coder.properties[0];
        if (p >= 40) {
            return p == 40 ? 0xFFFFFFFFull : ~0ull;
        }
        return static_cast<uint64_t>(2 | (p & 1)) << (p / 2 + 11);
    }
    return 0;
}

// One folder's coders; false when the description cannot be read.
bool ReadFolder(HeaderReader& reader, std::vector<Coder>* coders, uint64_t* outStreams) {
    const uint64_t count = reader.Number();
    if (count == 0 || count > kMaxCount) {
        return false;
    }
    uint64_t inStreams = 0;
    *outStreams = 0;
    for (uint64_t i = 0; i < count && !reader.Failed(); ++i) {
        const uint8_t flags = reader.Byte();
        Coder coder;
        coder.id = reader.Bytes(flags & 0x0F);
        const bool complex = (flags & 0x10) != 0;
        const uint64_t in = complex ? reader.Number() : 1;
        const uint64_t out = complex ? reader.Number() : 1;
        if (in > kMaxCount || out > kMaxCount) {
            return false;
        }
        inStreams += in;
        *outStreams += out;
        if (flags & 0x20) {
            coder.properties = reader.Bytes(reader.Number());
        }
        coders->push_back(std::move(coder));
    }
    // Every out stream but the last is bound to an in stream; the in streams left over are packed.
    if (*outStreams == 0 || *outStreams > kMaxCount || inStreams > kMaxCount ||
        inStreams + 1 < *outStreams) {
        return false;
    }
    for (uint64_t pair = 0; pair + 1 < *outStreams; ++pair) {
        reader.Number();
        reader.Number();
    }
    const uint64_t packed = inStreams - (*outStreams - 1);
    for (uint64_t i = 0; packed > 1 && i < packed && !reader.Failed(); ++i) {
        reader.Number();
    }
    return !reader.Failed();
}

void SkipDigests(HeaderReader& reader, uint64_t count) {
    uint64_t defined = count;
    if (reader.Byte() == 0) {
        defined = 0;
        for (uint64_t i = 0; i < (count + 7) / 8; ++i) {
            defined += static_cast<uint64_t>(__builtin_popcount(reader.Byte()));
        }
    }
    reader.Bytes(4 * defined);
}

std::string TooLarge(const char* what, uint64_t value) {
    return std::string(what) + " of " + std::to_string(value) + " bytes";
}

// The unpack part of a packed header's description: folders with their coders, then the sizes.
std::string CheckUnpackInfo(HeaderReader& reader) {
    const uint64_t folderCount = reader.Number();
    if (reader.Byte() != 0 || folderCount == 0 || folderCount > kMaxCount) {
        return "a packed item list that cannot be read";
    }
    std::vector<std::vector<Coder>> folders(folderCount);
    std::vector<uint64_t> outStreams(folderCount);
    for (uint64_t i = 0; i < folderCount; ++i) {
        if (!ReadFolder(reader, &folders[i], &outStreams[i])) {
            return "a packed item list that cannot be read";
        }
    }
    if (reader.Number() != kCodersUnpackSize) {
        return "a packed item list that cannot be read";
    }
    for (uint64_t i = 0; i < folderCount; ++i) {
        uint64_t unpacked = 0;
        for (uint64_t stream = 0; stream < outStreams[i]; ++stream) {
            const uint64_t size = reader.Number();
            if (size > kMaxDeclaredSize) {
                return TooLarge("a packed item list", size);
            }
            unpacked = std::max(unpacked, size);
        }
        for (const Coder& coder : folders[i]) {
            if (!DictionaryFits(DeclaredMemory(coder), unpacked)) {
                return TooLarge("a dictionary for the item list", DeclaredMemory(coder));
            }
        }
    }
    for (uint64_t id = reader.Number(); id != kEnd && !reader.Failed(); id = reader.Number()) {
        if (id != kCrc) {
            return "a packed item list that cannot be read";
        }
        SkipDigests(reader, folderCount);
    }
    return reader.Failed() ? "a packed item list that cannot be read" : "";
}

bool SkipPackInfo(HeaderReader& reader) {
    reader.Number(); // where the packed streams begin
    const uint64_t count = reader.Number();
    if (count > kMaxCount) {
        return false;
    }
    for (uint64_t id = reader.Number(); id != kEnd && !reader.Failed(); id = reader.Number()) {
        if (id == kSize) {
            for (uint64_t i = 0; i < count; ++i) {
                reader.Number();
            }
        } else if (id == kCrc) {
            SkipDigests(reader, count);
        } else {
            return false;
        }
    }
    return !reader.Failed();
}

// A size as the engine prints it: "24" is 2^24, "4064m" 4064 MiB, "1536k", "100b". 0 when the
// text is no size.
uint64_t PrintedSize(std::string_view text) {
    uint64_t value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && i < 12; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (i == 0 || i + 1 < text.size()) {
        return 0;
    }
    if (i == text.size()) {
        return value >= 64 ? ~0ull : 1ull << value;
    }
    switch (text[i]) {
    case 'b':
        return value;
    case 'k':
        return value << 10;
    case 'm':
        return value << 20;
    case 'g':
        return value << 30;
    default:
        return 0;
    }
}

// The memory one method token ("LZMA:4064m", "PPMD:o6:mem24") declares.
uint64_t MethodMemory(std::string_view token) {
    const size_t colon = token.find(':');
    const std::string_view name = token.substr(0, colon);
    uint64_t memory = 0;
    size_t start = colon;
    bool first = true;
    while (start != std::string_view::npos) {
        const size_t end = token.find(':', start + 1);
        std::string_view part = token.substr(
            start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
        if ((name == "LZMA" || name == "LZMA2") && first) {
            memory = std::max(memory, PrintedSize(part));
        } else if (name == "PPMD" && part.substr(0, 3) == "mem") {
            memory = std::max(memory, PrintedSize(part.substr(3)));
        }
        first = false;
        start = end;
    }
    return memory;
}

} // namespace

bool DictionaryFits(uint64_t dictionary, uint64_t unpacked) {
    if (dictionary > kMaxDeclaredSize) {
        return false;
    }
    return dictionary <= kMinDictionaryAllowed || dictionary / 2 <= unpacked;
}

bool LocateNextHeader(const uint8_t* signatureHeader, size_t size, uint64_t* offset,
                      uint64_t* length) {
    if (size < 32 || !std::equal(kSignature, kSignature + 6, signatureHeader)) {
        return false;
    }
    *offset = 32 + (static_cast<uint64_t>(Little32(signatureHeader + 16)) << 32 |
                    Little32(signatureHeader + 12));
    *length = static_cast<uint64_t>(Little32(signatureHeader + 24)) << 32 |
              Little32(signatureHeader + 20);
    return *offset >= 32;
}

std::string WhyPackedHeaderExceedsBound(const uint8_t* nextHeader, size_t size) {
    HeaderReader reader(nextHeader, size);
    if (size == 0 || reader.Number() != kEncodedHeader) {
        return {}; // a plain item list: its sizes are checked once the engine has read it
    }
    for (uint64_t id = reader.Number(); id != kEnd && !reader.Failed(); id = reader.Number()) {
        if (id == kPackInfo && SkipPackInfo(reader)) {
            continue;
        }
        if (id != kUnpackInfo || reader.Number() != kFolder) {
            return "a packed item list that cannot be read";
        }
        if (std::string why = CheckUnpackInfo(reader); !why.empty()) {
            return why;
        }
    }
    return reader.Failed() ? "a packed item list that cannot be read" : "";
}

std::string WhyMethodExceedsBound(std::string_view method, uint64_t unpacked) {
    size_t start = 0;
    while (start < method.size()) {
        size_t end = method.find(' ', start);
        if (end == std::string_view::npos) {
            end = method.size();
        }
        const uint64_t memory = MethodMemory(method.substr(start, end - start));
        if (!DictionaryFits(memory, unpacked)) {
            return "method " + std::string(method) + " declares " +
                   TooLarge("a dictionary", memory);
        }
        start = end + 1;
    }
    return {};
}

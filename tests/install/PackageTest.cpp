// The package container: header reading, bounds, and unpacking real packages.
#include "install/Package.h"
#include "install/PackageWriter.h"

#include "InstallTestSupport.h"
#include "app/Result.h"
#include "platform/SpecialFolders.h"

#include <gmock/gmock.h>

#include <climits>
#include <cstring>

using namespace install_test;

namespace {

struct Event {
    int code;
    unsigned value;
};

class PackageTest : public RootFixture {
protected:
    void SetUp() override {
        RootFixture::SetUp();
        fs::path source = m_scratch / "source";
        WriteFile(source / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe", "conv");
        WriteFile(source / "uninstall.exe", "uninst");
        m_archive = MakeArchive(source, m_scratch / "p.7z");
    }

    static PackageHeader Header() {
        PackageHeader header = NewPackageHeader();
        SetHeaderText(header.rootName, "Kelto Clipwave Converter Pro");
        SetHeaderText(header.version, "2.1.0.7");
        SetHeaderText(header.productName, "Kelto Clipwave Converter Pro"); // does not fit
        return header;
    }

    // Writes package bytes as C:\Downloads\p.exe and returns its Windows path.
    std::wstring Place(const std::string& bytes) {
        WriteFile(Host(m_package), bytes);
        return m_package;
    }

    long Unpack(const std::wstring& package, const std::wstring& folder) {
        m_events.clear();
        return UnpackPackage(package.c_str(), folder.c_str(),
                             [this](int code, unsigned value, long extra) {
                                 EXPECT_EQ(extra, 0);
                                 m_events.push_back({code, value});
                                 return 1;
                             });
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Event& event : m_events) {
            codes.push_back(event.code);
        }
        return codes;
    }

    std::string m_archive;
    const std::wstring m_package = L"C:\\Downloads\\p.exe";
    const std::wstring m_folder = L"C:\\Program Files\\Kelto";
    std::vector<Event> m_events;
};

void PutInt32(std::string& bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

TEST_F(PackageTest, UnpacksARealPackage) {
    std::string bytes;
    ASSERT_TRUE(BuildPackageBytes(Header(), m_archive, "UNINSTALLER", &bytes, nullptr));
    ASSERT_EQ(Unpack(Place(bytes), m_folder), kSOk);

    EXPECT_EQ(
        ReadFile(Host(m_folder) / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe"),
        "conv");
    EXPECT_EQ(ReadFile(Host(m_folder) / "uninstall.exe"), "uninst");
    std::vector<int> codes = Codes();
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), kEventUnpackStart);
    EXPECT_EQ(codes.back(), kEventUnpackFinished);
    EXPECT_EQ(m_events[m_events.size() - 2].code, kEventExtractProgress);
    EXPECT_EQ(m_events[m_events.size() - 2].value, 100u);
    EXPECT_EQ(GetInstallFolder(), m_folder);

    PackageHeader header;
    ASSERT_EQ(ReadPackageHeader(m_package.c_str(), &header), kSOk);
    EXPECT_EQ(HeaderText(header.rootName), "Kelto Clipwave Converter Pro");
    EXPECT_EQ(HeaderText(header.productName), "Kelto Clipwave ");
    EXPECT_EQ(header.archiveOffset, 64 + 4096);
    EXPECT_EQ(header.archiveSize, static_cast<int32_t>(m_archive.size()));
    EXPECT_EQ(header.uninstallerOffset, header.archiveOffset + header.archiveSize);
    EXPECT_EQ(header.uninstallerSize, 11);
}

// Container layouts, each read and unpacked: the status and whether the header is accepted.
TEST_F(PackageTest, ContainerBounds) {
    struct Case {
        const char* name;
        std::string bytes;
        bool headerAccepted;
        int status; // 0: the unpack succeeds
    };
    std::string good;
    ASSERT_TRUE(BuildPackageBytes(Header(), m_archive, "", &good, nullptr));
    const int32_t archiveOffset = 64 + 4096;
    const int32_t length = static_cast<int32_t>(good.size());

    // H = 0: the header is the file's own first 4096 bytes (H itself lies in its reserved part).
    std::string atZero(4096 + m_archive.size(), '\0');
    PackageHeader header = Header();
    header.archiveOffset = 4096;
    header.archiveSize = static_cast<int32_t>(m_archive.size());
    std::memcpy(atZero.data(), &header, sizeof header);
    PutInt32(atZero, 32, 0);
    std::memcpy(atZero.data() + 4096, m_archive.data(), m_archive.size());

    std::string exactly4096(4096, '\0');
    header = Header();
    header.archiveOffset = 0;
    header.archiveSize = 4096;
    std::memcpy(exactly4096.data(), &header, sizeof header);
    PutInt32(exactly4096, 32, 0);

    auto withInt = [&](size_t offset, int32_t value) {
        std::string bytes = good;
        PutInt32(bytes, offset, value);
        return bytes;
    };
    const size_t h = 64;
    // A header at the very end: the last 4096 bytes (an all-zero uninstaller) are read as one.
    std::string atEnd;
    ASSERT_TRUE(BuildPackageBytes(Header(), m_archive, std::string(4096, '\0'), &atEnd, nullptr));
    PutInt32(atEnd, 32, static_cast<int32_t>(atEnd.size()) - 4096);
    std::string beyondEnd = atEnd;
    PutInt32(beyondEnd, 32, static_cast<int32_t>(atEnd.size()) - 4095);
    const std::vector<Case> cases = {
        {"well formed", good, true, 0},
        {"H = 0", atZero, true, 0},
        // The archive is the header's own bytes: the container is sound, the archive engine then
        // finds no 7z archive in it (status 4).
        {"exactly 4096 bytes", exactly4096, true, 4},
        {"4095 bytes", std::string(4095, '\0'), false, 2},
        {"too short for H", std::string(20, '\0'), false, 2},
        {"H = length - 4096", atEnd, true, 4},
        {"H = length - 4095", beyondEnd, false, 2},
        {"H negative", withInt(32, -64), false, 2},
        {"H = INT32_MIN", withInt(32, INT32_MIN), false, 2},
        {"archive ends at the file's end", withInt(h + 20, length - archiveOffset), true, 0},
        {"archive one byte beyond", withInt(h + 20, length - archiveOffset + 1), true, 2},
        {"archive offset negative", withInt(h + 16, -1), true, 2},
        {"archive size negative", withInt(h + 20, -5), true, 2},
        {"offset + size overflow", withInt(h + 20, INT32_MAX), true, 2},
        {"offset at INT32_MAX", withInt(h + 16, INT32_MAX), true, 2},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove_all(Host(m_folder));
        const std::wstring package = Place(test.bytes);
        PackageHeader read = Header();
        SetHeaderText(read.rootName, "unchanged");
        EXPECT_EQ(ReadPackageHeader(package.c_str(), &read), test.headerAccepted ? kSOk : kEFail);
        if (!test.headerAccepted) {
            EXPECT_EQ(HeaderText(read.rootName), "unchanged");
        }
        long result = Unpack(package, m_folder);
        if (test.status == 0) {
            EXPECT_EQ(result, kSOk);
            EXPECT_EQ(Codes().back(), kEventUnpackFinished);
        } else {
            EXPECT_EQ(result, kEFail);
            EXPECT_EQ(GetLastUnpackError(), test.status);
            ASSERT_GE(m_events.size(), 2u);
            EXPECT_EQ(m_events.front().code, kEventUnpackStart);
            EXPECT_EQ(m_events.back().code, kEventUnpackFailed);
            EXPECT_EQ(m_events.back().value, 2u);
            // Only the archive engine, which ran, reports errors of its own in between.
            if (test.status != kUnpackExtractFailed) {
                EXPECT_EQ(m_events.size(), 2u);
            }
        }
    }
}

TEST_F(PackageTest, FailuresAndTheKeptStatus) {
    std::string good;
    ASSERT_TRUE(BuildPackageBytes(Header(), m_archive, "", &good, nullptr));
    const std::wstring package = Place(good);

    EXPECT_EQ(UnpackPackage(nullptr, m_folder.c_str(), [](int, unsigned, long) { return 1; }),
              kEPointer);
    EXPECT_EQ(GetLastUnpackError(), kUnpackBadArguments);
    EXPECT_EQ(UnpackPackage(package.c_str(), m_folder.c_str(), ProgressNotify()), kEPointer);
    PackageHeader header;
    EXPECT_EQ(ReadPackageHeader(nullptr, &header), kEPointer);

    EXPECT_EQ(Unpack(L"C:\\Downloads\\missing.exe", m_folder), kEFail);
    EXPECT_EQ(GetLastUnpackError(), kUnpackBadPackage);
    EXPECT_EQ(ReadPackageHeader(L"C:\\Downloads\\missing.exe", &header), kEFail);

    // An unmapped drive: the folder cannot exist after its creation.
    EXPECT_EQ(Unpack(package, L"Q:\\Kelto"), kEFail);
    EXPECT_EQ(GetLastUnpackError(), kUnpackNoFolder);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[1].code, kEventUnpackFailed);
    EXPECT_EQ(m_events[1].value, 3u);

    // A success keeps the status of the failure before it.
    EXPECT_EQ(Unpack(package, m_folder), kSOk);
    EXPECT_EQ(GetLastUnpackError(), kUnpackNoFolder);
}

TEST_F(PackageTest, ATemporaryAreaThatCannotBeWrittenFailsWith263) {
    std::string good;
    ASSERT_TRUE(BuildPackageBytes(Header(), m_archive, "", &good, nullptr));
    const std::wstring package = Place(good);
    fs::path temp = Host(platform::GetTempFolder());
    fs::remove_all(temp);
    WriteFile(temp, "a file where the temporary folder belongs");

    EXPECT_EQ(Unpack(package, m_folder), kEFail);
    EXPECT_EQ(GetLastUnpackError(), kUnpackExtractFailed);
    ASSERT_EQ(m_events.size(), 3u);
    EXPECT_EQ(m_events[1].code, 101);
    EXPECT_EQ(m_events[1].value, 263u);
    EXPECT_EQ(m_events[2].code, kEventUnpackFailed);
    EXPECT_EQ(m_events[2].value, 2u);
}

// Files missing or damaged must never be taken for an installed product: whatever the engine
// could not extract fails the unpack, after its own errors have been reported.
TEST_F(PackageTest, AnArchiveTheEngineCannotExtractWholeFailsTheUnpack) {
    std::string truncated = m_archive.substr(0, m_archive.size() / 2);
    std::string notAnArchive(m_archive.size(), 'x');
    for (const std::string* archive : {&truncated, &notAnArchive}) {
        std::string bytes;
        ASSERT_TRUE(BuildPackageBytes(Header(), *archive, "", &bytes, nullptr));
        EXPECT_EQ(Unpack(Place(bytes), m_folder), kEFail);
        EXPECT_EQ(GetLastUnpackError(), kUnpackExtractFailed);
        ASSERT_GE(m_events.size(), 3u);
        EXPECT_EQ(m_events[m_events.size() - 2].code, 101);
        EXPECT_EQ(m_events[m_events.size() - 2].value, 262u);
        EXPECT_EQ(m_events.back().code, kEventUnpackFailed);
        EXPECT_EQ(m_events.back().value, 2u);
    }
}

} // namespace

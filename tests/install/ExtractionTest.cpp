// Extraction through the 7-Zip engine on real archives made by the engine's command line.
#include "install/ArchiveBounds.h"
#include "install/ArchiveEngine.h"
#include "install/SevenZipExtractor.h"

#include "InstallTestSupport.h"
#include "platform/DynamicLibrary.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "tests/common/LogCapture.h"

#include <gmock/gmock.h>

#include <cstring>

using namespace install_test;
using ::testing::ElementsAre;

namespace {

struct Event {
    int code;
    unsigned value;
    bool operator==(const Event& other) const { return code == other.code && value == other.value; }
};

class ExtractionTest : public RootFixture {
protected:
    // Extracts archive bytes into a Windows folder and records every event.
    bool Extract(const std::string& bytes, const std::wstring& folder) {
        C7ZOperator callback([this](int code, unsigned value, long) {
            m_events.push_back({code, value});
            return 1;
        });
        C7ZExtractor extractor(&callback);
        std::string narrow = platform::WideToNarrow(folder);
        return extractor.ExtractFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                           narrow.c_str());
    }
    std::vector<int> Errors() const {
        std::vector<int> errors;
        for (const Event& event : m_events) {
            if (event.code == kEventExtractError) {
                errors.push_back(static_cast<int>(event.value));
            }
        }
        return errors;
    }
    std::vector<unsigned> Progress() const {
        std::vector<unsigned> values;
        for (const Event& event : m_events) {
            if (event.code == kEventExtractProgress) {
                values.push_back(event.value);
            }
        }
        return values;
    }
    // What is left in the temporary folder after a run (the area must be gone).
    std::vector<std::string> TempLeftovers() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Host(platform::GetTempFolder()))) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    const std::wstring m_destination = L"C:\\Program Files\\Kelto Clipwave Converter Pro";
    std::vector<Event> m_events;
};

TEST_F(ExtractionTest, ExtractsNestedFoldersWithTheirNamesModesAndProgress) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe", "MZ-program");
    WriteFile(source / "Kelto Clipwave Converter" / "data files" / "Grüße 日本語 𝄞.txt", "text");
    WriteFile(source / "empty.txt", "");
    std::string big(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : big) {
        c = static_cast<char>(random());
    }
    WriteFile(source / "big.bin", big);
    fs::permissions(source / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe",
                    fs::perms(0755));
    fs::create_directories(source / "empty folder");

    ASSERT_TRUE(Extract(MakeArchive(source, m_scratch / "a.7z"), m_destination));

    fs::path out = Host(m_destination);
    EXPECT_EQ(ReadFile(out / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe"),
              "MZ-program");
    EXPECT_EQ(ReadFile(out / "Kelto Clipwave Converter" / "data files" / "Grüße 日本語 𝄞.txt"),
              "text");
    EXPECT_TRUE(fs::is_regular_file(out / "empty.txt"));
    EXPECT_EQ(ReadFile(out / "big.bin"), big);
    EXPECT_TRUE(fs::is_directory(out / "empty folder"));
    EXPECT_EQ(fs::status(out / "Kelto Clipwave Converter" / "Kelto Clipwave Converter.exe")
                      .permissions() &
                  fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_TRUE(Errors().empty());
    std::vector<unsigned> progress = Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_GT(progress.front(), 0u);
    EXPECT_EQ(progress.back(), 100u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(TempLeftovers().empty());
    // Own binding keeps the engine's helpers its own; sanitizer runtimes refuse it, and there the
    // engine is bound globally after checking that none of its helpers is defined elsewhere.
    EXPECT_EQ(ArchiveEngineLoadReport(),
              platform::IsSanitizerRuntime() ? "global binding" : "own binding");
}

TEST_F(ExtractionTest, ReplacesExistingFilesWithoutAsking) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "a.txt", "new a");
    WriteFile(source / "sub" / "b.txt", "new b");
    fs::path out = Host(m_destination);
    WriteFile(out / "a.txt", "an older and longer content");
    WriteFile(out / "sub" / "b.txt", "old b");
    fs::permissions(out / "sub" / "b.txt", fs::perms(0444));
    WriteFile(out / "kept.txt", "kept");

    ASSERT_TRUE(Extract(MakeArchive(source, m_scratch / "a.7z"), m_destination));

    EXPECT_EQ(ReadFile(out / "a.txt"), "new a");
    EXPECT_EQ(ReadFile(out / "sub" / "b.txt"), "new b");
    EXPECT_EQ(ReadFile(out / "kept.txt"), "kept");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ExtractionTest, EncryptedArchivesReportThePasswordAndWriteNothing) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "secret" / "a.txt", "secret");
    for (const char* headers : {"-mhe=off", "-mhe=on"}) {
        SCOPED_TRACE(headers);
        m_events.clear();
        fs::path archive = m_scratch / (std::string("e") + headers + ".7z");
        std::string bytes = MakeArchive(source, archive, {"-pSecret", headers});
        EXPECT_FALSE(Extract(bytes, m_destination));
        EXPECT_THAT(Errors(), ElementsAre(kArchiveErrorPassword, kArchiveErrorArchives));
        EXPECT_FALSE(fs::exists(Host(m_destination) / "secret"));
        EXPECT_TRUE(TempLeftovers().empty());
    }
}

TEST_F(ExtractionTest, CorruptedDataReportsTheEntryThenTheArchive) {
    fs::path source = m_scratch / "source";
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "line " + std::to_string(i * 7919 % 10007) + "\n";
    }
    WriteFile(source / "a.txt", text);
    WriteFile(source / "b.txt", text + "b");
    std::string bytes = MakeArchive(source, m_scratch / "c.7z");
    // Damage the packed data (it begins after the 32-byte signature header).
    for (size_t i = 200; i < 260; ++i) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    }

    EXPECT_FALSE(Extract(bytes, m_destination));

    std::vector<int> errors = Errors();
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors.front(), kArchiveErrorData);
    EXPECT_EQ(errors.back(), kArchiveErrorArchives);
    // A damaged entry is not left behind looking complete.
    EXPECT_FALSE(fs::exists(Host(m_destination) / "a.txt") &&
                 ReadFile(Host(m_destination) / "a.txt") != text);
}

TEST_F(ExtractionTest, BytesThatAreNoArchiveReportTheArchive) {
    EXPECT_FALSE(Extract(std::string(5000, 'x'), m_destination));
    EXPECT_THAT(Errors(), ElementsAre(kArchiveErrorArchives));
}

// Items that would land outside the destination, made the ways such archives arise.
TEST_F(ExtractionTest, ItemsLeadingOutsideTheDestinationAreRefused) {
    fs::path outside = Host(L"C:\\Outside");
    fs::create_directories(outside);
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> steps; // engine command lines, in source/
        bool linkInDestination = false; // a link to the outside already lies in the destination
    };
    fs::path source = m_scratch / "source";
    WriteFile(source / "safe.txt", "safe");
    WriteFile(source / "x.txt", "payload");
    fs::create_symlink(outside, source / "link");
    fs::create_symlink("../../../../Outside/y.txt", source / "relative-link");
    const std::string archive = (m_scratch / "u.7z").string();
    const std::vector<Case> cases = {
        {"parent component",
         {{"a", archive, "safe.txt", "x.txt"}, {"rn", archive, "x.txt", "../x.txt"}}},
        {"backslash parent",
         {{"a", archive, "safe.txt", "x.txt"}, {"rn", archive, "x.txt", "sub\\..\\..\\x.txt"}}},
        {"absolute path", {{"a", "-spf", archive, "safe.txt", (source / "x.txt").string()}}},
        {"drive letter",
         {{"a", archive, "safe.txt", "x.txt"}, {"rn", archive, "x.txt", "C:\\x.txt"}}},
        {"link outside", {{"a", "-snl", archive, "safe.txt", "link"}}},
        {"relative link outside", {{"a", "-snl", archive, "safe.txt", "relative-link"}}},
        {"item below a link",
         {{"a", archive, "safe.txt", "x.txt"}, {"rn", archive, "x.txt", "link/x.txt"}},
         true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove(archive);
        for (const auto& step : test.steps) {
            ASSERT_TRUE(SevenZip(source, step));
        }
        m_events.clear();
        fs::remove_all(Host(m_destination));
        if (test.linkInDestination) {
            fs::create_directories(Host(m_destination));
            fs::create_symlink(outside, Host(m_destination) / "link");
        }

        EXPECT_FALSE(Extract(ReadFile(archive), m_destination));

        EXPECT_EQ(ReadFile(Host(m_destination) / "safe.txt"), "safe");
        EXPECT_TRUE(fs::is_empty(outside));
        EXPECT_FALSE(fs::exists(Host(L"C:\\x.txt")));
        EXPECT_FALSE(fs::exists(Host(L"C:\\Program Files\\x.txt")));
        EXPECT_EQ(fs::exists(fs::symlink_status(Host(m_destination) / "link")),
                  test.linkInDestination);
        std::vector<int> errors = Errors();
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[0], kArchiveErrorData);
        EXPECT_EQ(errors[1], kArchiveErrorArchives);
    }
}

TEST_F(ExtractionTest, LinksInsideTheDestinationAreMade) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "bin" / "tool", "tool");
    fs::create_symlink("bin/tool", source / "tool-link");
    ASSERT_TRUE(Extract(MakeArchive(source, m_scratch / "l.7z"), m_destination));
    fs::path link = Host(m_destination) / "tool-link";
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(ReadFile(link), "tool");
    EXPECT_TRUE(Errors().empty());
}

// CRC-32 as the 7z headers carry it.
uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

void PutLittle32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
}

// Replaces bytes right after a pattern in an archive's next header and mends both checksums, the
// way a crafted archive declares whatever it likes.
std::string PatchHeader(std::string archive, const std::string& pattern, const std::string& bytes) {
    uint64_t offset = 0, length = 0;
    std::memcpy(&offset, archive.data() + 12, 8);
    std::memcpy(&length, archive.data() + 20, 8);
    std::string header = archive.substr(32 + offset, length);
    const size_t at = header.find(pattern);
    EXPECT_NE(at, std::string::npos);
    header.replace(at + pattern.size(), bytes.size(), bytes);
    archive.replace(32 + offset, length, header);
    PutLittle32(archive, 28, Crc32(header));
    PutLittle32(archive, 8, Crc32(archive.substr(12, 20)));
    return archive;
}

// A few hundred bytes that declare gigabytes: refused before the engine reads them, so the
// engine never asks for that memory.
TEST_F(ExtractionTest, ArchivesDeclaringMoreThanAPackageCarriesAreRefused) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "a.txt", "hello");
    const std::string lzmaProps("\x23\x03\x01\x01\x05\x5d", 6);
    const std::string lzma2Props("\x21\x21\x01", 3);
    std::string hugeLzma(4, '\0');
    PutLittle32(hugeLzma, 0, 0xFE000000);
    for (int i = 0; i < 40; ++i) {
        WriteFile(m_scratch / "many" / ("f" + std::to_string(i)), std::to_string(i));
    }
    struct Case {
        const char* name;
        std::string archive;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"LZMA dictionary of 4064 MiB",
         PatchHeader(MakeArchive(source, m_scratch / "a.7z", {"-m0=lzma", "-mhc=off"}), lzmaProps,
                     hugeLzma),
         true},
        {"LZMA2 dictionary of 4 GiB",
         PatchHeader(MakeArchive(source, m_scratch / "b.7z", {"-m0=lzma2", "-mhc=off"}), lzma2Props,
                     std::string(1, '\x28')),
         true},
        {"packed item list with a dictionary of 4064 MiB",
         PatchHeader(MakeArchive(m_scratch / "many", m_scratch / "c.7z", {"-m0=lzma"}), lzmaProps,
                     hugeLzma),
         true},
        {"LZMA2 dictionary of 8 MiB for 5 bytes",
         PatchHeader(MakeArchive(source, m_scratch / "d.7z", {"-m0=lzma2", "-mhc=off"}), lzma2Props,
                     std::string(1, '\x12')),
         true},
        {"an ordinary archive", MakeArchive(source, m_scratch / "e.7z", {"-m0=lzma2:d=64m"}),
         false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        m_events.clear();
        fs::remove_all(Host(m_destination));
        testing_support::LogCapture log;
        EXPECT_EQ(Extract(test.archive, m_destination), !test.refused);
        if (test.refused) {
            EXPECT_EQ(log.Count("Extract refused the archive: it declares"), 1);
            EXPECT_THAT(Errors(), ElementsAre(kArchiveErrorMemory));
            EXPECT_FALSE(fs::exists(Host(m_destination) / "a.txt"));
        } else {
            EXPECT_TRUE(Errors().empty());
            EXPECT_EQ(ReadFile(Host(m_destination) / "a.txt"), "hello");
        }
    }
    EXPECT_TRUE(DictionaryFits(1 << 20, 0));
    EXPECT_TRUE(DictionaryFits(64 << 20, 32 << 20));
    EXPECT_FALSE(DictionaryFits((64 << 20) + 2, 32 << 20));
    EXPECT_FALSE(DictionaryFits(kMaxDeclaredSize + 1, kMaxDeclaredSize));
}

// Descriptions of a packed item list that no writer makes: refused at once, never looped over.
TEST_F(ExtractionTest, UnreadablePackedItemListDescriptionsAreRefused) {
    // A packed list (0x17) whose unpack information (0x07) holds one folder (0x0B, 1, not
    // external), then that folder's coders.
    const std::vector<uint8_t> start = {0x17, 0x07, 0x0B, 0x01, 0x00};
    const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    struct Case {
        const char* name;
        std::vector<uint8_t> coders;
    };
    std::vector<uint8_t> wrapping = {0x02, 0x11, 0x21};
    wrapping.insert(wrapping.end(), huge.begin(), huge.end());
    wrapping.insert(wrapping.end(), {0x01, 0x11, 0x21, 0x02, 0x01});
    const std::vector<Case> cases = {
        // One coder with no in stream and three out streams: more bound pairs than in streams.
        {"fewer in streams than bound pairs", {0x01, 0x11, 0x21, 0x00, 0x03}},
        // Two coders whose in-stream counts wrap around to a small sum.
        {"stream counts that wrap", wrapping},
        {"more coders than a folder holds", {0x41, 0x01, 0x21}},
        {"cut off in the coders", {0x01, 0x31, 0x21, 0x01}},
    };
    for (const Case& test : cases) {
        std::vector<uint8_t> header = start;
        header.insert(header.end(), test.coders.begin(), test.coders.end());
        EXPECT_EQ(WhyPackedHeaderExceedsBound(header.data(), header.size()),
                  "a packed item list that cannot be read")
            << test.name;
    }
}

TEST_F(ExtractionTest, ItemPathSafetyRules) {
    struct Case {
        const wchar_t* path;
        bool safe;
    };
    for (const Case& test : std::vector<Case>{{L"a/b.txt", true},
                                              {L"a\\b.txt", true},
                                              {L"./a/./b", true},
                                              {L"a..b/c", true},
                                              {L"", false},
                                              {L".", false},
                                              {L"../a", false},
                                              {L"a/../../b", false},
                                              {L"a\\..\\b", false},
                                              {L"/etc/passwd", false},
                                              {L"\\share\\x", false},
                                              {L"C:\\x", false},
                                              {L"c:x", false}}) {
        EXPECT_EQ(IsSafeArchiveItemPath(test.path), test.safe) << fs::path(test.path);
    }
}

TEST_F(ExtractionTest, ASecondExtractionNeverReusesAnExistingTemporaryFolder) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "a.txt", "a");
    std::string bytes = MakeArchive(source, m_scratch / "a.7z");
    // Occupy the folders of the coming ticks, each with content that must survive.
    const std::string temp = platform::WideToNarrow(platform::GetTempFolder());
    const uint32_t now = platform::GetTickCount();
    std::vector<fs::path> occupied;
    for (uint32_t tick = now; tick < now + 60; ++tick) {
        fs::path folder = Host(platform::NarrowToWide(TempRootName(temp, tick)));
        WriteFile(folder / "plenix_7z" / "Qor7ZFile.7z", "someone else's");
        occupied.push_back(folder);
    }

    ASSERT_TRUE(Extract(bytes, m_destination));

    EXPECT_EQ(ReadFile(Host(m_destination) / "a.txt"), "a");
    for (const fs::path& folder : occupied) {
        EXPECT_EQ(ReadFile(folder / "plenix_7z" / "Qor7ZFile.7z"), "someone else's");
    }
    EXPECT_EQ(TempLeftovers().size(), occupied.size());
}

TEST_F(ExtractionTest, TemporaryAreaNames) {
    std::string root = TempRootName("C:\\Users\\A\\AppData\\Local\\Temp\\", 0x1f2e3d);
    EXPECT_EQ(root + kWorkFolderName + kArchiveFileName,
              "C:/Users/A/AppData/Local/Temp/1f2e3d/plenix_7z/Qor7ZFile.7z");
    EXPECT_EQ(TempRootName("C:\\T\\", 0), "C:/T/0/");
}

TEST_F(ExtractionTest, NullArgumentsAndBadCommandLines) {
    C7ZOperator callback([this](int code, unsigned value, long) {
        m_events.push_back({code, value});
        return 1;
    });
    C7ZExtractor extractor(&callback);
    EXPECT_FALSE(extractor.ExtractFromMemory(nullptr, 10, "C:\\x"));
    EXPECT_FALSE(extractor.ExtractFromMemory("abc", 3, nullptr));
    EXPECT_TRUE(m_events.empty());

    auto relay = [](void* context, int code) {
        static_cast<std::vector<int>*>(context)->push_back(code);
    };
    std::vector<int> codes;
    const char* tooFew[] = {"self", "x", "C:\\a.7z"};
    const char* wrongCommand[] = {"self", "a", "C:\\a.7z", "-oC:\\out"};
    const char* noFolder[] = {"self", "x", "C:\\a.7z", "C:\\out"};
    EXPECT_EQ(RunSevenZipEntry(3, tooFew, &codes, relay, nullptr), kArchiveExitCommandLine);
    EXPECT_EQ(RunSevenZipEntry(4, wrongCommand, &codes, relay, nullptr), kArchiveExitCommandLine);
    EXPECT_EQ(RunSevenZipEntry(4, noFolder, &codes, relay, nullptr), kArchiveExitCommandLine);
    EXPECT_THAT(codes, ElementsAre(255, 255, 255));
    const char* missingArchive[] = {"self", "x", "C:\\missing.7z", "-oC:\\out"};
    codes.clear();
    EXPECT_EQ(RunSevenZipEntry(4, missingArchive, &codes, relay, nullptr), kArchiveExitFatal);
    EXPECT_THAT(codes, ElementsAre(kArchiveErrorFatal));
}

TEST_F(ExtractionTest, FolderRoutines) {
    EXPECT_FALSE(DirectoryExists(nullptr));
    EXPECT_FALSE(DirectoryExists("C"));
    EXPECT_TRUE(DirectoryExists("C:"));
    EXPECT_FALSE(DirectoryExists("Q:"));
    EXPECT_FALSE(DirectoryExists("C:/A/"));
    EXPECT_TRUE(CreateDirectoryChain("C:/A/B/C"));
    EXPECT_TRUE(DirectoryExists("C:/A/B/"));
    EXPECT_FALSE(DirectoryExists("C:/A/B/C")); // a last component without separator is not made
    EXPECT_TRUE(CreateDirectoryChain("C:\\W\\V\\"));
    EXPECT_TRUE(DirectoryExists("C:/W/V"));
    EXPECT_FALSE(CreateDirectoryChain(std::string(300, 'a').append("/").c_str()));
    EXPECT_FALSE(CreateDirectoryChain("Q:/unmapped/"));
}

TEST_F(ExtractionTest, NarrowDeleteTreeRemovesLinksWithoutFollowingThem) {
    fs::path outside = Host(L"C:\\Outside");
    WriteFile(outside / "keep.txt", "keep");
    fs::path area = Host(L"C:\\Area");
    WriteFile(area / "a" / "b.txt", "b");
    fs::create_symlink(outside, area / "a" / "link");
    EXPECT_TRUE(DeleteTree("C:/Area/"));
    EXPECT_FALSE(fs::exists(area));
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
    EXPECT_FALSE(DeleteTree("C:/Area/"));
    EXPECT_FALSE(DeleteTree("C:/"));
}

// The installation folder's clearing, which must never destroy foreign content.
TEST_F(ExtractionTest, InstallFolderClearingRefusesForeignContent) {
    std::wstring documents;
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Documents, &documents));
    WriteFile(Host(documents) / "letter.txt", "mine");
    fs::path outside = Host(L"C:\\Outside");
    WriteFile(outside / "keep.txt", "keep");
    WriteFile(Host(L"C:\\Mixed\\Kelto Clipwave Converter\\uninstall.exe"), "u");
    WriteFile(Host(L"C:\\Mixed\\thesis.doc"), "mine");
    fs::create_directories(Host(L"C:\\Apps\\Empty"));

    struct Case {
        std::wstring folder;
        bool cleared;
    };
    std::vector<Case> cases = {
        {L"C:\\", false},        {L"C:", false},
        {documents, false},      {documents + L"\\", false},
        {L"C:\\Users", false},   {L"C:\\Mixed", false},
        {L"C:\\Missing", false}, {L"C:\\Apps\\Empty\\", true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(fs::path(test.folder));
        EXPECT_EQ(DeleteTree(test.folder), test.cleared);
    }
    EXPECT_EQ(ReadFile(Host(documents) / "letter.txt"), "mine");
    EXPECT_EQ(ReadFile(Host(L"C:\\Mixed\\thesis.doc")), "mine");
    EXPECT_EQ(ReadFile(Host(L"C:\\Mixed\\Kelto Clipwave Converter\\uninstall.exe")), "u");
    EXPECT_FALSE(fs::exists(Host(L"C:\\Apps\\Empty")));

    // An earlier installation is cleared completely; a link inside it is removed, not followed.
    fs::path install = Host(L"C:\\Apps\\Kelto");
    WriteFile(install / "uninstall.exe", "u");
    WriteFile(install / "Kelto Clipwave Converter" / "sub" / "a.dll", "a");
    WriteFile(install / "Kelto Clipwave Downloader" / "b.exe", "b");
    fs::create_symlink(outside, install / "Kelto Clipwave Downloader" / "link");
    EXPECT_TRUE(DeleteTree(std::wstring(L"C:\\Apps\\Kelto")));
    EXPECT_FALSE(fs::exists(install));
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");

    // The folder itself being a link is refused.
    fs::create_directories(Host(L"C:\\Apps"));
    fs::create_symlink(outside, Host(L"C:\\Apps\\Linked"));
    EXPECT_FALSE(DeleteTree(std::wstring(L"C:\\Apps\\Linked")));
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
}

} // namespace

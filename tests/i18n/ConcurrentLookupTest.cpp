// Lookups from several threads while the language changes underneath them: every answer is a
// whole text of one of the two languages, with the caller's own name filled in.
#include "tests/i18n/LanguageFixture.h"

#include <atomic>
#include <latch>
#include <thread>

namespace {

using i18n_testing::LanguageTest;
using testing_support::ScopedRoot;

constexpr int kReaders = 4;
constexpr int kLookupsPerReader = 3000;
constexpr int kLanguageSwitches = 40;

struct Expected {
    std::vector<std::wstring> english;
    std::vector<std::wstring> german;
};

Expected TextsFor(const std::wstring& name) {
    Expected expected;
    InitLanguage(nullptr, 0x0407);
    for (int id = 0; id < kUiTextCount; ++id) {
        expected.german.push_back(GetUiTextFor(id, name));
    }
    InitLanguage(nullptr, 0x0409);
    for (int id = 0; id < kUiTextCount; ++id) {
        expected.english.push_back(GetUiTextFor(id, name));
    }
    return expected;
}

TEST_F(LanguageTest, ConcurrentLookupsSeeWholeTexts) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    std::vector<std::wstring> names;
    std::vector<Expected> expected;
    for (int reader = 0; reader < kReaders; ++reader) {
        names.push_back(L"Reader " + std::to_wstring(reader));
        expected.push_back(TextsFor(names.back()));
    }
    const Expected kept = TextsFor(L"Kelto Clipwave Converter Pro");

    std::atomic<int> mismatches{0};
    std::atomic<bool> readersDone{false};
    // Every thread waits until all have started, so that the lookups really overlap.
    std::latch start(kReaders + 1);
    std::vector<std::thread> threads;
    for (int reader = 0; reader < kReaders; ++reader) {
        threads.emplace_back([&, reader] {
            start.arrive_and_wait();
            for (int i = 0; i < kLookupsPerReader; ++i) {
                const int id = (i * 7 + reader) % kUiTextCount;
                const size_t index = static_cast<size_t>(id);
                // Half of the lookups share the kept name, so that the readers also meet in
                // the same cache entries.
                const bool ownName = (i % 2) == 0;
                const std::wstring text =
                    ownName ? GetUiTextFor(id, names[static_cast<size_t>(reader)]) : GetUiText(id);
                const Expected& want = ownName ? expected[static_cast<size_t>(reader)] : kept;
                if (text != want.english[index] && text != want.german[index]) {
                    mismatches.fetch_add(1);
                }
                GetLayoutWidth(id % 4);
            }
        });
    }
    std::thread switcher([&] {
        start.arrive_and_wait();
        for (int i = 0; i < kLanguageSwitches && !readersDone.load(); ++i) {
            InitLanguage(nullptr, (i % 2) == 0 ? 0x0407 : 0x0409);
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    readersDone.store(true);
    switcher.join();

    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "catalogue/catalogue.h"

namespace {

struct Log {
    std::vector<CStringW> completed;
    std::vector<CStringW> unloaded;
    int deleted = 0;
};

struct FakeEntry : CRegisteredApplication {
    Log* log;
    bool throws = false;
    std::function<void()> onComplete;
    FakeEntry(Log* l, const wchar_t* key, int priority) : log(l) {
        m_strKey = key;
        m_nPriority = priority;
        m_hReadyEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~FakeEntry() override { ++log->deleted; }
    int CompleteInit() override {
        log->completed.push_back(m_strKey);
        if (onComplete) onComplete();
        if (throws) throw std::runtime_error("plug-in failure");
        ::SetEvent(m_hReadyEvent);
        return 1;
    }
    void Unload() override { log->unloaded.push_back(m_strKey); }
};


TEST(CCatalogue, CompletesByPriorityHighestFirstKeepingListedOrderOtherwise) {
    Log log;
    CCatalogue catalogue;
    catalogue.Append(new FakeEntry(&log, L"a", 2));
    catalogue.Append(new FakeEntry(&log, L"sysinfo", 1));
    catalogue.Append(new FakeEntry(&log, L"b", 2));
    catalogue.Append(new FakeEntry(&log, L"urgent", 4));
    bool before = false;
    catalogue.CompleteAll([&] { before = log.completed.empty(); });
    EXPECT_TRUE(before);
    EXPECT_EQ((std::vector<CStringW>{L"urgent", L"a", L"b", L"sysinfo"}), log.completed);
}

TEST(CCatalogue, ResortMovesRaisedEntriesAheadOfTheRestButNotOfCompletedOnes) {
    Log log;
    CCatalogue catalogue;
    auto* first = new FakeEntry(&log, L"first", 3);
    auto* raised = new FakeEntry(&log, L"raised", 1);
    catalogue.Append(first);
    catalogue.Append(new FakeEntry(&log, L"middle", 2));
    catalogue.Append(raised);
    first->onComplete = [&] {
        raised->SetPriority(4);
        ::SetEvent(catalogue.ResortEvent());
    };
    catalogue.CompleteAll();
    EXPECT_EQ((std::vector<CStringW>{L"first", L"raised", L"middle"}), log.completed);
    // The auto-reset event was consumed by the re-sort.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(catalogue.ResortEvent(), 0));
}

TEST(CCatalogue, ThrowingEntryGetsItsReadyEventAndTheOthersGoOn) {
    Log log;
    CCatalogue catalogue;
    auto* bad = new FakeEntry(&log, L"bad", 3);
    bad->throws = true;
    auto* good = new FakeEntry(&log, L"good", 2);
    catalogue.Append(bad);
    catalogue.Append(good);
    catalogue.CompleteAll();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(bad->GetReadyEvent(), 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(good->GetReadyEvent(), 0));
    EXPECT_EQ(2u, log.completed.size());
}

TEST(CCatalogue, ClearUnloadsThenDeletesEveryEntry) {
    Log log;
    {
        CCatalogue catalogue;
        catalogue.Append(new FakeEntry(&log, L"x", 2));
        catalogue.Append(new FakeEntry(&log, L"y", 2));
        catalogue.Append(nullptr);
        EXPECT_EQ(2u, catalogue.Count());
    }
    EXPECT_EQ((std::vector<CStringW>{L"x", L"y"}), log.unloaded);
    EXPECT_EQ(2, log.deleted);
}

TEST(CCatalogue, WalksNeverSeeAHalfSortedCatalogue) {
    Log log;
    CCatalogue catalogue;
    constexpr int kEntries = 200;
    std::vector<FakeEntry*> entries;
    for (int i = 0; i < kEntries; ++i) {
        CStringW key;
        key.Format(L"e%d", i);
        entries.push_back(new FakeEntry(&log, key, i % 5));
        catalogue.Append(entries.back());
    }
    // Every completion raises another entry and asks for a re-sort, so the main thread reorders
    // the vector constantly while the walker reads it.
    int next = 0;
    for (FakeEntry* e : entries) {
        e->onComplete = [&] {
            entries[static_cast<size_t>((next += 37) % kEntries)]->SetPriority(4);
            ::SetEvent(catalogue.ResortEvent());
        };
    }
    std::atomic<bool> done{false};
    std::atomic<int> badWalks{0};
    std::thread walker([&] {
        while (!done) {
            catalogue.Walk([&](const CCatalogue::Entries& all) {
                std::set<CRegisteredApplication*> seen(all.begin(), all.end());
                if (seen.size() != static_cast<size_t>(kEntries)) ++badWalks;
            });
        }
    });
    catalogue.CompleteAll();
    done = true;
    walker.join();
    EXPECT_EQ(0, badWalks.load());
    EXPECT_EQ(static_cast<size_t>(kEntries), log.completed.size());
    std::set<CStringW> unique(log.completed.begin(), log.completed.end());
    EXPECT_EQ(static_cast<size_t>(kEntries), unique.size());
}

TEST(CCatalogue, AWindowWaitingForTheBuildAnswersSentMessagesThenSeesEveryEntry) {
    Log log;
    CCatalogue catalogue;
    catalogue.BeginBuilding();
    HANDLE waiting = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
    size_t seen = 0;
    std::thread opener([&] {
        window = ::CreateWindowExW(0, L"STATIC", L"x", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::SetEvent(waiting);
        catalogue.WaitUntilBuilt();
        seen = catalogue.Count();
        ::DestroyWindow(window);
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(waiting, 10000));
    // A thread that sends to the waiting window while the build goes on must get its answer.
    DWORD_PTR length = 0;
    EXPECT_NE(0, ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, 10000, &length));
    EXPECT_EQ(1u, length);
    for (const wchar_t* key : {L"a", L"b", L"c"}) catalogue.Append(new FakeEntry(&log, key, 1));
    catalogue.EndBuilding();
    opener.join();
    ::CloseHandle(waiting);
    EXPECT_EQ(3u, seen);
}

}  // namespace

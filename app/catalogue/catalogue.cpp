#include "catalogue/catalogue.h"

#include <algorithm>

#include "base/wait.h"

CCatalogue::CCatalogue()
    : resort_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), built_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

CCatalogue::~CCatalogue() { Clear(); }

void CCatalogue::Append(CRegisteredApplication* entry) {
    if (!entry) return;
    base::CriticalSectionLock hold(lock_);
    entries_.push_back(entry);
}

size_t CCatalogue::Count() {
    base::CriticalSectionLock hold(lock_);
    return entries_.size();
}

void CCatalogue::Walk(const std::function<void(const Entries&)>& visit) {
    base::CriticalSectionLock hold(lock_);
    visit(entries_);
}

void CCatalogue::BeginBuilding() {
    if (built_) ::ResetEvent(built_.get());
}

void CCatalogue::EndBuilding() {
    if (built_) ::SetEvent(built_.get());
}

void CCatalogue::WaitUntilBuilt() const {
    if (built_) base::WaitAnsweringSentMessages(built_.get(), INFINITE);
}

void CCatalogue::Raise(const Raises& raises) {
    {
        base::CriticalSectionLock hold(lock_);
        for (const auto& raise : raises) raise.first->SetPriority(raise.second);
    }
    if (resort_) ::SetEvent(resort_.get());
}

void CCatalogue::SortFrom(size_t first) {
    base::CriticalSectionLock hold(lock_);
    if (first >= entries_.size()) return;
    // Stable, so entries of equal priority keep the order they were listed in.
    std::stable_sort(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end(),
                     [](CRegisteredApplication* a, CRegisteredApplication* b) {
                         return a->GetPriority() > b->GetPriority();
                     });
}

void CCatalogue::CompleteAll(const std::function<void()>& beforeWalk) {
    if (IsEmpty()) return;
    SortFrom(0);
    if (beforeWalk) beforeWalk();
    for (size_t i = 0;; ++i) {
        if (resort_ && ::WaitForSingleObject(resort_.get(), 0) == WAIT_OBJECT_0) SortFrom(i);
        CRegisteredApplication* entry = nullptr;
        {
            base::CriticalSectionLock hold(lock_);
            if (i >= entries_.size()) break;
            entry = entries_[i];
        }
        // Completion can take long (plug-in start-up); the lock is not held so window threads can
        // go on walking the catalogue meanwhile. Only this thread reorders, so entry stays at i.
        try {
            entry->CompleteInit();
        } catch (...) {
            if (entry->GetReadyEvent()) ::SetEvent(entry->GetReadyEvent());
        }
    }
}

void CCatalogue::Clear() {
    Entries entries;
    {
        base::CriticalSectionLock hold(lock_);
        entries.swap(entries_);
    }
    try {
        for (CRegisteredApplication* entry : entries) {
            entry->Unload();
            delete entry;
        }
    } catch (...) {
        // A plug-in that throws while unloading leaves the rest as it is; the process is ending.
    }
}

#pragma once
// The catalogue: the owned entries, the order they are completed in, and the one lock that keeps a
// walk by a window thread from overlapping a re-sort by the main thread.
#include <functional>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "catalogue/registered_application.h"

class CCatalogue {
public:
    using Entries = std::vector<CRegisteredApplication*>;

    CCatalogue();
    ~CCatalogue();
    CCatalogue(const CCatalogue&) = delete;
    CCatalogue& operator=(const CCatalogue&) = delete;

    // Takes ownership.
    void Append(CRegisteredApplication* entry);
    size_t Count();
    bool IsEmpty() { return Count() == 0; }

    // Runs visit with the entries while holding the lock; visit must not block on the main thread.
    void Walk(const std::function<void(const Entries&)>& visit);

    // Set after raising priorities so the deferred completion re-sorts what it has not reached yet.
    HANDLE ResortEvent() const noexcept { return resort_.get(); }

    // Gives the entries their priorities, then sets the re-sort event. Priorities change only under
    // the lock that every sort holds: a sort whose comparisons change under it is undefined.
    using Raises = std::vector<std::pair<CRegisteredApplication*, int>>;
    void Raise(const Raises& raises);

    // The deferred completion: sorts by priority, highest first, then completes the entries one by
    // one, re-sorting the rest whenever the re-sort event is set. An entry that throws gets its ready
    // event set so that nobody waits on it for ever. beforeWalk runs after the first sort.
    void CompleteAll(const std::function<void()>& beforeWalk = nullptr);

    // Unload, then delete, every entry; stops at (and swallows) the first exception.
    void Clear();

    // The start-up fills the catalogue while the first window is being made beside it. Between these
    // two the catalogue is incomplete, and a window that lists it waits in WaitUntilBuilt first.
    void BeginBuilding();
    void EndBuilding();
    // Returns at once unless building; sent messages are taken while waiting, so a thread that sends
    // to the waiting window is not stopped by it.
    void WaitUntilBuilt() const;

private:
    void SortFrom(size_t first);

    base::CriticalSection lock_;
    Entries entries_;
    base::UniqueHandle resort_;
    base::UniqueHandle built_;
};

#include "settory/machine_id.h"

#include <memory>

#include "base/handles.h"
#include "settory/identity.h"

namespace settory {
namespace {

using VoidFn = void(WINAPI*)();
using MachineIdFn = BOOL(WINAPI*)(int*);

const char* const kExports[] = {
    "QuInitialize", "QuGetLastErrorCode", "QuGetMachineIDEx", "QuIsSupportedFunction", "QuCallDriver",
    "QuCallPowerSaving", "QuRegWnd", "QuUnRegWnd", "QuCallVideo", "QuGetPNDXFunctionChn",
    "QuEnablePNDXEvents", "AddRef", "RemoveRef", "QuDetach",
};

class CQorUtils {
public:
    // Null when the registry value, the library or one of its exports is missing.
    static std::unique_ptr<CQorUtils> Bind() {
        wchar_t path[MAX_PATH + 1] = {};  // at most 260 characters and the terminator
        DWORD size = sizeof(path);
        // Read as written: the value holds a full path, and an expandable one is not expanded.
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, kQorUtilsValue,
                           RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, path,
                           &size) != ERROR_SUCCESS ||
            path[0] == 0) {
            return nullptr;
        }
        base::UniqueModule module(::LoadLibraryW(path));
        if (!module) return nullptr;
        FARPROC found[ARRAYSIZE(kExports)] = {};
        for (size_t i = 0; i < ARRAYSIZE(kExports); ++i) {
            found[i] = ::GetProcAddress(module.get(), kExports[i]);
            if (!found[i]) return nullptr;
        }
        std::unique_ptr<CQorUtils> library(new CQorUtils());
        library->getMachineId_ = reinterpret_cast<MachineIdFn>(found[2]);
        library->removeRef_ = reinterpret_cast<VoidFn>(found[12]);
        library->detach_ = reinterpret_cast<VoidFn>(found[13]);
        reinterpret_cast<VoidFn>(found[11])();  // AddRef
        library->module_ = std::move(module);
        int id = 0;
        library->machineId_ = library->getMachineId_(&id) ? id : 0;
        return library;
    }
    ~CQorUtils() {
        removeRef_();
        detach_();
    }
    long MachineId() const noexcept { return machineId_; }

private:
    CQorUtils() = default;
    base::UniqueModule module_;  // freed last, after RemoveRef and QuDetach
    MachineIdFn getMachineId_ = nullptr;
    VoidFn removeRef_ = nullptr;
    VoidFn detach_ = nullptr;
    long machineId_ = 0;
};

struct Provider {
    base::CriticalSection createLock;
    base::CriticalSection countLock;
    std::unique_ptr<CQorUtils> library;
    bool attempted = false;
    int uses = 0;
    bool firstUseCounted = false;
};

Provider& TheProvider() {
    static Provider* provider = new Provider();
    return *provider;
}

void AddUse() {
    Provider& p = TheProvider();
    {
        base::CriticalSectionLock lock(p.countLock);
        if (!p.firstUseCounted) {
            p.firstUseCounted = true;
            ++p.uses;
        }
        ++p.uses;
    }
    // One attempt per binding: a missing library is not looked for again on every value read.
    base::CriticalSectionLock lock(p.createLock);
    if (!p.attempted) {
        p.attempted = true;
        p.library = CQorUtils::Bind();
    }
}

void DropUse() {
    Provider& p = TheProvider();
    bool release = false;
    {
        base::CriticalSectionLock lock(p.countLock);
        release = p.uses > 0 && --p.uses == 0;
        if (release) p.firstUseCounted = false;
    }
    if (release) {
        base::CriticalSectionLock lock(p.createLock);
        p.library.reset();
        p.attempted = false;
    }
}

}  // namespace

QorUtilsUse::QorUtilsUse() { AddUse(); }
QorUtilsUse::~QorUtilsUse() { DropUse(); }

bool QorUtilsUse::Bound() const {
    Provider& p = TheProvider();
    base::CriticalSectionLock lock(p.createLock);
    return p.library != nullptr;
}

long QorUtilsUse::MachineId() const {
    Provider& p = TheProvider();
    base::CriticalSectionLock lock(p.createLock);
    return p.library ? p.library->MachineId() : 0;
}

long MachineIdFromQorUtils() {
    QorUtilsUse use;
    return use.MachineId();
}

void ReleaseMachineIdProvider() {
    Provider& p = TheProvider();
    {
        base::CriticalSectionLock lock(p.countLock);
        if (!p.firstUseCounted) return;
    }
    DropUse();
}

long CurrentMachineId() noexcept { return MachineIdFromQorUtils(); }

}  // namespace settory

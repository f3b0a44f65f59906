#include "settory/model_config.h"

#include <memory>

#include "base/handles.h"
#include "settory/identity.h"
#include "settory/settings_store.h"
#include "settory/values.h"

namespace settory {
namespace {

struct ModelConfigState {
    base::CriticalSection lock;
    std::unique_ptr<CModelConfigSingle> store;
};

// Never destroyed at process exit, like the other stores: its DOM may outlive the XML library.
ModelConfigState& State() {
    static ModelConfigState* state = new ModelConfigState();
    return *state;
}

CModelConfigSingle* ModelConfigStore() {
    ModelConfigState& s = State();
    base::CriticalSectionLock lock(s.lock);
    if (!s.store) {
        auto store = std::make_unique<CModelConfigSingle>();
        if (store->LoadAll() == 100) s.store = std::move(store);
    }
    return s.store.get();
}

}  // namespace

CStringW ModelConfigFolder() { return ProductFolder() + L"Config\\"; }
CStringW ModelConfigSchemaPath() { return ProductFolder() + L"Schema files\\ModelConfig.xsd"; }

bool ModelConfigFilesExist() {
    CStringW product = ProductFolder();
    if (product.IsEmpty()) return false;
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(ModelConfigFolder() + L"ModelConfig*.xml", &data));
    return find.valid();
}

int CModelConfigSingle::LoadAll() {
    if (Initialise() != kXmlOk) return 101;
    (void)SetSchema(ModelConfigSchemaPath());
    files_ = ListFiles(ModelConfigFolder(), L"ModelConfig*.xml");
    if (files_.empty()) return 50;
    for (const CStringW& file : files_) {
        if (Load(file) != kXmlOk) {
            DropIndex();
            return 101;
        }
        IndexDocument();
    }
    return 100;
}

bool CModelConfigSingle::IsListedFor(const wchar_t* classId, long machineId) const {
    CStringW machine;
    machine.Format(L"%ld", machineId);
    // Several files may list the same class: every one of them counts, not only the first.
    for (const auto& cls : Classes()) {
        if (cls->ClassId() != classId) continue;
        for (const CStringW& listed : cls->MachineIds()) {
            if (listed == machine) return true;
        }
    }
    return false;
}

namespace service {

int IsLoad(const wchar_t* classId, int* isLoad) {
    if (!ModelConfigFilesExist()) return 1;
    if (!IsWellFormedClassId(classId)) return 1;
    CModelConfigSingle* store = ModelConfigStore();
    if (!store || !isLoad) return 0;
    *isLoad = store->IsListedFor(classId, CurrentMachineId()) ? 1 : 0;
    return 0;
}

}  // namespace service

void ResetModelConfig() {
    ModelConfigState& s = State();
    base::CriticalSectionLock lock(s.lock);
    s.store.reset();
}

}  // namespace settory

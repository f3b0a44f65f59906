#pragma once
// Which settings classes apply to this machine model: the "ModelConfig*.xml" files list, per class,
// the machine ids it is for.
#include "settory/class_contain.h"

namespace settory {

CStringW ModelConfigFolder();
CStringW ModelConfigSchemaPath();
bool ModelConfigFilesExist();

class CModelConfigSingle : public CClassContain {
public:
    // 100 when every file loaded, 50 when there is none, 101 at the first that fails.
    [[nodiscard]] int LoadAll();
    // Whether some class with exactly this id lists exactly this machine id ("%ld").
    bool IsListedFor(const wchar_t* classId, long machineId) const;
    const std::vector<CStringW>& Files() const noexcept { return files_; }

private:
    std::vector<CStringW> files_;
};

namespace service {
// ICModelConfig::IsLoad: 1 without model files or for a malformed class id (flag untouched), 0 with
// the flag untouched when the store cannot be made, else 0 with the flag set to 1 or 0.
int IsLoad(const wchar_t* classId, int* isLoad);
}  // namespace service

// Drops the process-wide model-configuration store (with the other stores).
void ResetModelConfig();

}  // namespace settory

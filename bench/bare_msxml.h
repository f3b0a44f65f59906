// The floors of the settings store's load and save: the same documents handled with MSXML alone,
// no store, index, mutex or notification around them.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "base/com_ptr.h"

namespace bench {

// One DOM document loaded from a file, as a floor for the store's own parsing.
class BareDocument {
public:
    [[nodiscard]] bool Load(const std::wstring& path);
    // Checks the loaded document against the schema file, compiled afresh as a first load must.
    [[nodiscard]] bool Validate(const std::wstring& schemaPath);
    // Writes the document where a reader never sees it half written: a file beside the target,
    // flushed to the disk, then renamed over the target.
    [[nodiscard]] bool SaveDurably(const std::wstring& target);

private:
    base::ComPtr<IXMLDOMDocument2> document_;
};

}  // namespace bench

#include "base/named_objects.h"

namespace base {

CNamedCounter::CNamedCounter(const wchar_t* name) {
    OpenToAll security;
    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE, 0, sizeof(LONG),
                                        name));
    if (mapping_) view_ = static_cast<volatile LONG*>(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
}

CNamedCounter::~CNamedCounter() {
    if (view_) ::UnmapViewOfFile(const_cast<LONG*>(view_));
}

}  // namespace base

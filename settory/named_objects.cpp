#include "settory/named_objects.h"

namespace settory {

base::UniqueHandle CreateOpenEvent(const wchar_t* name) {
    OpenToAll security;
    return base::UniqueHandle(::CreateEventW(security.Attributes(), TRUE, FALSE, name));
}

void SignalNamedEvent(const wchar_t* name) {
    base::UniqueHandle event = CreateOpenEvent(name);
    if (event) ::SetEvent(event.get());
}

}  // namespace settory

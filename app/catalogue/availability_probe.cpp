#include "catalogue/availability_probe.h"

#include <string>

#include "base/handles.h"
#include "catalogue/indirect_string.h"

namespace ostrel {

int RunAvailabilityProbe(const CStringW& probe) {
    std::vector<CStringW> parts = SplitTrimmed(probe);
    if (parts.size() != 3 && parts.size() != 4) return 0;
    long first = 0;
    long second = 0;
    ParseDecimal(parts[2], &first);
    if (parts.size() == 4) ParseDecimal(parts[3], &second);

    int chars = ::WideCharToMultiByte(CP_ACP, 0, parts[1], -1, nullptr, 0, nullptr, nullptr);
    if (chars <= 1) return 0;
    std::string function(static_cast<size_t>(chars), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, parts[1], -1, &function[0], chars, nullptr, nullptr);

    base::UniqueModule module(::LoadLibraryW(parts[0]));
    if (!module) return 0;
    auto call = reinterpret_cast<ProbeFunction>(::GetProcAddress(module.get(), function.c_str()));
    if (!call) return 0;
    return CallProbe(call, static_cast<int>(first), static_cast<int>(second));
}

int CallProbe(ProbeFunction probe, int argument1, int argument2) {
    if (!probe) return 0;
    try {
        return probe(argument1, argument2);
    } catch (...) {
        return 0;
    }
}

}  // namespace ostrel

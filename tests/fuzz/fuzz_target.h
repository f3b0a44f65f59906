#pragma once
// What a fuzz target is, and how a target reports an input that broke one of its promises without
// crashing (a refused file that was not kept aside, a saved file that would not load again, ...).
#include <cstddef>
#include <functional>
#include <vector>

#include "mutator.h"

namespace fuzz {

struct Target {
    const char* name;
    std::vector<Bytes> seeds;
    std::vector<Bytes> tokens;
    size_t maxSize;
    std::function<void(const Bytes&)> run;
    // Inputs of a run without --iterations; 0 takes the run's default. Parsers that go through MSXML
    // take milliseconds per input under Wine and get fewer.
    unsigned long long iterations = 0;
};

// Ends the run when ok is false: the current input is written to fuzz-failure-<target>.bin and the
// process exits with code 4. what names the broken promise.
void Require(bool ok, const char* what);

Bytes Narrow(const char* text);
Bytes Narrow(const char* text, size_t length);

// The targets over the settings service's files: current settings, default settings, application
// registrations and model configurations. They work in a temporary data folder made on first use.
void AddSettoryTargets(std::vector<Target>& targets);
// Removes the temporary data folder of the settings-service targets, if one was made.
void RemoveSettoryFolders();

}  // namespace fuzz

#pragma once
// What "settory --help" and "settory help COMMAND" print.
#include <string>

namespace settorycli {

// The whole usage: every command with an example, the options and the exit codes.
std::wstring WholeUsage();

// One command's usage with its example; empty for a command that does not exist.
std::wstring CommandUsage(const std::wstring& command);

// The one-line synopsis of a command, for a usage error; the whole list when the command is unknown.
std::wstring Synopsis(const std::wstring& command);

}  // namespace settorycli

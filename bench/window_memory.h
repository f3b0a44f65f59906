// The installed program's private bytes after start-up and after many page switches, read from
// outside it the way a task manager would.
#pragma once

namespace bench {

// Starts the program, waits for its settings window, switches pages `switches` times through its
// tree and prints private bytes before and after. Returns false when it could not be measured.
bool MemoryOverPageSwitches(const wchar_t* program, int switches);

}  // namespace bench

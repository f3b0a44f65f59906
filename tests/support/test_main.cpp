#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv) {
    // A crashing test must fail fast instead of waiting on a Wine debugger dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

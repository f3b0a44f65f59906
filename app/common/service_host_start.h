#pragma once
// CServiceHostStart: when no settings-service host runs in this session, the first activation of a
// local-server class starts one and, under Wine, waits a whole second before it looks again, however
// soon the host was ready. The program starts the host itself instead, as early as it can, and makes
// its first activation only once the host says its classes are registered, so that activation finds
// them at once. A host that is already running, or one that cannot be started, changes nothing: the
// activation then goes the usual way.
#include <windows.h>

#include "base/handles.h"

class CServiceHostStart {
public:
    // Starts the host named by the service's registration unless one is running. Returns at once.
    void Begin();
    // Waits, bounded, until the host begun here is ready or has ended.
    void WaitUntilReady();

private:
    base::UniqueHandle ready_;
    base::UniqueHandle process_;
};

#include "core/osl_app.h"

// The one application object; its observer creates the shutdown events before anything else runs.
COSLApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) { return base::RunApplication(instance); }

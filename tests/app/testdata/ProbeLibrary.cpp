// A stand-in availability probe: the catalogue calls these as int __cdecl f(int, int).
extern "C" __declspec(dllexport) int __cdecl ProbeSum(int a, int b) { return a + b; }
extern "C" __declspec(dllexport) int __cdecl ProbeNever(int, int) { return 0; }

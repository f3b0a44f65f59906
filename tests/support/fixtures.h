#pragma once
// Test fixtures: temporary folders, scratch registry keys, child processes and bounded waits.
#include <windows.h>
#include <functional>
#include <string>

#include "base/cstringw.h"
#include "base/handles.h"

namespace testsupport {

// A fresh folder under %TEMP%, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const CStringW& Path() const noexcept { return path_; }
    CStringW File(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    CStringW path_;
};

void RemoveTree(const CStringW& path);
bool WriteTextFile(const CStringW& path, const std::string& bytes);
std::string ReadTextFile(const CStringW& path);
bool FileExists(const CStringW& path);

// A key under HKEY_CURRENT_USER\Software\OstrelTests, deleted with its subtree at the end.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    HKEY Get() const noexcept { return key_.get(); }
    const CStringW& SubkeyPath() const noexcept { return path_; }

private:
    CStringW path_;
    base::UniqueHKey key_;
};

// Administrator policy values of one settings class, under HKEY_LOCAL_MACHINE (machine) or
// HKEY_CURRENT_USER (user), as Group Policy writes them; the class's policy keys are removed at the
// start and at the end.
class ScopedPolicy {
public:
    explicit ScopedPolicy(const wchar_t* classId);
    ~ScopedPolicy();
    ScopedPolicy(const ScopedPolicy&) = delete;
    ScopedPolicy& operator=(const ScopedPolicy&) = delete;
    bool SetNumber(HKEY hive, int settingId, DWORD value) const;
    bool SetText(HKEY hive, int settingId, const wchar_t* text) const;
    // Any type and bytes, under any value name.
    bool SetRaw(HKEY hive, const wchar_t* valueName, DWORD type, const void* data, DWORD size) const;
    void Remove(HKEY hive, int settingId) const;
    void Remove(HKEY hive, const wchar_t* valueName) const;

private:
    void Clear() const;
    CStringW path_;
};

// Sets an environment variable for this process and restores the old value at the end.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    CStringW name_;
    CStringW old_;
    bool hadOld_ = false;
};

// A child process started from a command line; ended (if still running) at the end.
class ChildProcess {
public:
    // desktop: the name of the desktop the process starts on; null for this process's own.
    explicit ChildProcess(const CStringW& commandLine, const wchar_t* desktop = nullptr);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Started() const noexcept { return process_.valid(); }
    // True when the process ended within the time; its exit code is then in *code.
    bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr);
    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    void Kill();

private:
    base::UniqueHandle process_;
    DWORD id_ = 0;
};

// The folder of the test executable (the build's binary folder), and paths in it.
CStringW BinFolder();
CStringW BinFile(const wchar_t* name);

// Polls a condition every 10 ms until it holds or the time is up; for states that no event
// announces (a window of another process appearing, a named object going away).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Runs a Windows message loop for this thread while waiting for a condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Has paint draw into a 32-bit bitmap of the window's client size; the colour it left at a point.
COLORREF PaintedPixel(HWND window, const std::function<void(HDC)>& paint, int x, int y);

// A unique suffix for names of objects, folders and keys made by one test.
CStringW UniqueName(const wchar_t* prefix);

}  // namespace testsupport

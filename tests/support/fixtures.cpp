#include "support/fixtures.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace testsupport {

CStringW UniqueName(const wchar_t* prefix) {
    static LONG counter = 0;
    CStringW name;
    name.Format(L"%s-%lu-%lu-%ld", prefix, ::GetCurrentProcessId(), ::GetTickCount(), ::InterlockedIncrement(&counter));
    return name;
}

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = CStringW(temp) + UniqueName(L"ostrel-test");
    ::CreateDirectoryW(path_, nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const CStringW& path) {
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(path + L"\\*", &data));
    if (find) {
        do {
            if (!wcscmp(data.cFileName, L".") || !wcscmp(data.cFileName, L"..")) continue;
            CStringW child = path + L"\\" + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesW(child, FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child);
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path);
}

bool WriteTextFile(const CStringW& path, const std::string& bytes) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadTextFile(const CStringW& path) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

bool FileExists(const CStringW& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ScratchKey::ScratchKey() : path_(L"Software\\OstrelTests\\" + UniqueName(L"key")) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
}

ScratchKey::~ScratchKey() {
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_);
}

ScopedPolicy::ScopedPolicy(const wchar_t* classId)
    : path_(CStringW(L"SOFTWARE\\Policies\\Quor Corporation\\Ostrel\\") + classId) {
    Clear();
}

ScopedPolicy::~ScopedPolicy() { Clear(); }

void ScopedPolicy::Clear() const {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        ::RegDeleteTreeW(hive, path_);
        ::RegDeleteKeyW(hive, path_);
    }
}

bool ScopedPolicy::SetRaw(HKEY hive, const wchar_t* valueName, DWORD type, const void* data, DWORD size) const {
    base::UniqueHKey key;
    if (::RegCreateKeyExW(hive, path_, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.get(), valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool ScopedPolicy::SetNumber(HKEY hive, int settingId, DWORD value) const {
    return SetRaw(hive, std::to_wstring(settingId).c_str(), REG_DWORD, &value, sizeof(value));
}

bool ScopedPolicy::SetText(HKEY hive, int settingId, const wchar_t* text) const {
    return SetRaw(hive, std::to_wstring(settingId).c_str(), REG_SZ, text,
                  static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

void ScopedPolicy::Remove(HKEY hive, int settingId) const { Remove(hive, std::to_wstring(settingId).c_str()); }

void ScopedPolicy::Remove(HKEY hive, const wchar_t* valueName) const { ::RegDeleteKeyValueW(hive, path_, valueName); }

ScopedEnv::ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (n > 0) {
        hadOld_ = true;
        ::GetEnvironmentVariableW(name, old_.GetBuffer(static_cast<int>(n)), n);
        old_.ReleaseBuffer();
    }
    ::SetEnvironmentVariableW(name, value);
}

ScopedEnv::~ScopedEnv() { ::SetEnvironmentVariableW(name_, hadOld_ ? old_.GetString() : nullptr); }

ChildProcess::ChildProcess(const CStringW& commandLine, const wchar_t* desktop) {
    STARTUPINFOW si = {sizeof(si)};
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
        id_ = pi.dwProcessId;
    }
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::WaitExit(DWORD timeoutMs, DWORD* code) {
    if (!process_) return false;
    if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) ::GetExitCodeProcess(process_.get(), code);
    return true;
}

void ChildProcess::Kill() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

CStringW BinFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return CStringW(path);
}

CStringW BinFile(const wchar_t* name) { return BinFolder() + L"\\" + name; }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return condition();
        ::Sleep(10);
    }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (condition()) return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return condition();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT);
    }
}

COLORREF PaintedPixel(HWND window, const std::function<void(HDC)>& paint, int x, int y) {
    RECT client;
    ::GetClientRect(window, &client);
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom) return CLR_INVALID;
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    base::UniqueDc dc(::CreateCompatibleDC(nullptr));
    base::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return CLR_INVALID;
    HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
    paint(dc.get());
    ::GdiFlush();
    DWORD p = static_cast<DWORD*>(bits)[y * client.right + x];
    ::SelectObject(dc.get(), old);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

}  // namespace testsupport

#pragma once
// Stand-in hardware for the sample plug-ins, so that their options have something real to read and
// write: registry values (one key per device) and small text files (one per device setting).
//
// Registry devices live under HKEY_CURRENT_USER\<root>\<device>, root from the environment variable
// OSTREL_SAMPLE_HARDWARE or "Software\Quor Corporation\Ostrel\SampleHardware". Device files live in
// the folder named by OSTREL_SAMPLE_DEVICES or "%ProgramData%\Quor Corporation\Ostrel\SampleDevices".
#include <windows.h>
#include <shlobj.h>

#include "plugwerk/plugwerk.h"

namespace sample {

inline CStringW FromEnvironment(const wchar_t* name, const wchar_t* fallback) {
    wchar_t value[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
    if (n > 0 && n < 1024) return value;
    wchar_t expanded[1024] = {};
    ::ExpandEnvironmentStringsW(fallback, expanded, 1024);
    return expanded;
}

inline CStringW RegistryRoot() {
    return FromEnvironment(L"OSTREL_SAMPLE_HARDWARE", L"Software\\Quor Corporation\\Ostrel\\SampleHardware");
}

inline CStringW DeviceFolder() {
    return FromEnvironment(L"OSTREL_SAMPLE_DEVICES", L"%ProgramData%\\Quor Corporation\\Ostrel\\SampleDevices");
}

inline bool ReadRegInt(const wchar_t* device, const wchar_t* name, int& value) {
    DWORD data = 0, size = sizeof(data), type = 0;
    CStringW path = RegistryRoot() + L"\\" + device;
    if (::RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, &type, &data, &size) != ERROR_SUCCESS) return false;
    value = static_cast<int>(data);
    return true;
}

inline bool WriteRegInt(const wchar_t* device, const wchar_t* name, int value) {
    HKEY key = nullptr;
    CStringW path = RegistryRoot() + L"\\" + device;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    DWORD data = static_cast<DWORD>(value);
    bool ok = ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

// Device files hold one value as UTF-8 text.
inline bool ReadDeviceText(const wchar_t* file, CStringW& text) {
    HANDLE h = ::CreateFileW(DeviceFolder() + L"\\" + file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char bytes[1024];
    DWORD read = 0;
    BOOL ok = ::ReadFile(h, bytes, sizeof(bytes) - 1, &read, nullptr);
    ::CloseHandle(h);
    if (!ok) return false;
    while (read > 0 && (bytes[read - 1] == '\n' || bytes[read - 1] == '\r')) --read;
    wchar_t wide[1024] = {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(read), wide, 1023);
    text = CStringW(wide, n);
    return true;
}

inline bool WriteDeviceText(const wchar_t* file, const CStringW& text) {
    ::SHCreateDirectoryExW(nullptr, DeviceFolder(), nullptr);
    HANDLE h = ::CreateFileW(DeviceFolder() + L"\\" + file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char bytes[1024];
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), bytes, sizeof(bytes), nullptr, nullptr);
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, bytes, static_cast<DWORD>(n), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == static_cast<DWORD>(n);
}

inline bool ReadDeviceInt(const wchar_t* file, int& value) {
    CStringW text;
    if (!ReadDeviceText(file, text) || text.IsEmpty()) return false;
    value = _wtoi(text);
    return true;
}

inline bool WriteDeviceInt(const wchar_t* file, int value) {
    CStringW text;
    text.Format(L"%d", value);
    return WriteDeviceText(file, text);
}

// The value of a VT_BOOL or VT_INT setting as a plain int.
inline int IntOf(const VARIANT& value) { return value.vt == VT_BOOL ? (value.boolVal ? 1 : 0) : value.intVal; }

inline void PutInt(VARIANT& value, int number) {
    if (value.vt == VT_BOOL) {
        value.boolVal = static_cast<VARIANT_BOOL>(number ? 1 : 0);
    } else {
        value.intVal = number;
    }
}

// The device's key, made when missing, so that it can be watched before anything wrote to it.
inline CStringW EnsureDeviceKey(const wchar_t* device) {
    CStringW path = RegistryRoot() + L"\\" + device;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        ::RegCloseKey(key);
    }
    return path;
}

// A status value as read: a number, or no value at all when the device has none (no status shown).
inline long PutStatus(VARIANT& value, bool found, int number) {
    value.vt = found ? VT_I4 : VT_EMPTY;
    if (found) value.lVal = number;
    return 0;
}

// A status read from a DWORD registry value of a device.
class RegistryStatusOption : public StatusOption {
public:
    RegistryStatusOption(const wchar_t* device, const wchar_t* name) : device_(device), name_(name) {}
    long Get(VARIANT& value) override {
        int number = 0;
        bool found = ReadRegInt(device_, name_, number);
        return PutStatus(value, found, number);
    }

private:
    const wchar_t* device_;
    const wchar_t* name_;
};

// A status read from a device file.
class DeviceFileStatusOption : public StatusOption {
public:
    explicit DeviceFileStatusOption(const wchar_t* file) : file_(file) {}
    long Get(VARIANT& value) override {
        int number = 0;
        bool found = ReadDeviceInt(file_, number);
        return PutStatus(value, found, number);
    }

private:
    const wchar_t* file_;
};

// A setting kept as a DWORD registry value of a device.
class RegistryOption : public SettingOption {
public:
    RegistryOption(const wchar_t* device, const wchar_t* name) : device_(device), name_(name) {}
    long Set(const VARIANT& value) override { return WriteRegInt(device_, name_, IntOf(value)) ? 0 : 2; }
    long Get(VARIANT& value) override {
        int number = 0;
        if (!ReadRegInt(device_, name_, number)) {
            value.vt = VT_EMPTY;  // no such device yet: the stored setting decides
            return 0;
        }
        PutInt(value, number);
        return 0;
    }

private:
    const wchar_t* device_;
    const wchar_t* name_;
};

// A setting kept as a number in a device file.
class DeviceFileOption : public SettingOption {
public:
    explicit DeviceFileOption(const wchar_t* file) : file_(file) {}
    long Set(const VARIANT& value) override { return WriteDeviceInt(file_, IntOf(value)) ? 0 : 2; }
    long Get(VARIANT& value) override {
        int number = 0;
        if (!ReadDeviceInt(file_, number)) {
            value.vt = VT_EMPTY;
            return 0;
        }
        PutInt(value, number);
        return 0;
    }

protected:
    const wchar_t* file_;
};

}  // namespace sample

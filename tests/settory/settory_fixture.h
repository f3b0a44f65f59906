#pragma once
// Data folders for settings-service tests: ALLUSERSPROFILE and APPDATA pointed at a temporary folder,
// the schema files installed where the service looks for them, and a default-settings file.
#include <windows.h>

#include <ostream>
#include <string>

#include "support/fixtures.h"

// Lets test failures show wide strings as text.
inline void PrintTo(const CStringW& text, std::ostream* os) {
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text[i];
        *os << (ch < 128 ? static_cast<char>(ch) : '?');
    }
}

namespace settorytest {

// Class ids of the standard default file.
constexpr const wchar_t* kClassA = L"A0000000-0000-4000-8000-00000000000A";
constexpr const wchar_t* kClassB = L"B0000000-0000-4000-8000-00000000000B";

// Settings of kClassA in the standard default file.
enum : int {
    kAllUsersInt = 1,     // bAllUser 1, "10"
    kPerUserText = 2,     // bAllUser 0, "hello"
    kEventListed = 3,     // bAllUser 1, bEvent 1, "5"
    kOtherMachine = 6,    // only a value for machine 7
    kMachinePick = 7,     // machine 7, then machine 0 "zero", then "plain"
    kPerUserReal = 8,     // bAllUser 0, "2.5"
    kShadowed = 9,        // bAllUser 1, "9default"; the current file has it for machine 7 only
};

extern const char kStandardDefaults[];

// A class of its own for policy tests (written as a second default file by the tests that use it), so
// that its policy keys never reach tests running beside them.
constexpr const wchar_t* kPolicyClass = L"C0000000-0000-4000-8000-00000000000C";
enum : int {
    kPolicyAllUsersInt = 1,  // bAllUser 1, "10"
    kPolicyPerUserText = 2,  // bAllUser 0, "hello"
};
extern const char kPolicyDefaults[];

// A current-settings document holding the given Class elements.
std::string CurrentXml(const std::string& classes);

// Points the service at a QorUtils library in the binary folder (the stand-in by default) reporting
// machineId, and puts back the prefix's own registration at the end. Negative: no machine id value.
class MachineIdScope {
public:
    explicit MachineIdScope(long machineId, const wchar_t* library = L"QorUtils.dll");
    ~MachineIdScope();
    MachineIdScope(const MachineIdScope&) = delete;
    MachineIdScope& operator=(const MachineIdScope&) = delete;

private:
    struct Saved {
        bool present = false;
        DWORD type = 0;
        std::string data;
    };
    Saved path_;
    Saved id_;
};

class DataFolders {
public:
    DataFolders();
    DataFolders(const DataFolders&) = delete;
    DataFolders& operator=(const DataFolders&) = delete;

    CStringW ProductFolder() const { return all_ + L"\\Quor Corporation\\Ostrel\\"; }
    CStringW DefaultFolder() const { return ProductFolder() + L"Default\\"; }
    CStringW SchemaFolder() const { return ProductFolder() + L"Schema files\\"; }
    CStringW ConfigFolder() const { return ProductFolder() + L"Config\\"; }
    CStringW AllUsersFile() const { return ProductFolder() + L"CurrentSettingProfileData.xml"; }
    CStringW PerUserFile() const { return app_ + L"\\Quor Corporation\\Ostrel\\CurrentSettingProfileData.xml"; }
    const CStringW& AllUsersProfile() const { return all_; }
    const CStringW& AppData() const { return app_; }

    void WriteDefault(const wchar_t* name, const std::string& xml) const;
    void WriteAllUsers(const std::string& xml) const;

private:
    testsupport::TempFolder root_;
    CStringW all_;
    CStringW app_;
    testsupport::ScopedEnv allEnv_;
    testsupport::ScopedEnv appEnv_;
    // Machine 0 unless a test says otherwise, whatever the run command registered in the prefix.
    MachineIdScope machine_{0};
};

// The running out-of-process hosts of the service, and killing them all (the count killed).
int HostProcesses();
int KillHostProcesses();
// Kills every process of that executable name; the count killed.
int KillProcessesNamed(const wchar_t* exeName);

// Counts files in folder matching pattern.
int CountFiles(const CStringW& folder, const wchar_t* pattern);

}  // namespace settorytest

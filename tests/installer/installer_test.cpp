// The setup program installed, started, reinstalled and uninstalled for real. Runs in a Wine prefix
// of its own (scratch-prefix.sh); each test first brings the machine into the state it starts from.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "installer/installed_product.h"
#include "support/fixtures.h"

namespace {

using namespace installertest;
using testsupport::FileExists;

const wchar_t* const kProductKey = L"SOFTWARE\\Quor Corporation\\Ostrel";
const wchar_t* const kSharedDlls = L"SOFTWARE\\Quor Corporation\\Shared Info\\Shared Dlls";
const wchar_t* const kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ostrel";
const std::string kAllUsersSettings =
    "<?xml version=\"1.0\"?>\n<CurrentSetting><Class ClassID=\"test-all\"/></CurrentSetting>\n";
const std::string kUserSettings =
    "<?xml version=\"1.0\"?>\n<CurrentSetting><Class ClassID=\"test-user\"/></CurrentSetting>\n";

// For failure messages.
std::string Narrow(const wchar_t* text) {
    char buffer[1024] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof(buffer) - 1, nullptr, nullptr);
    return buffer;
}

CStringW Program(const wchar_t* name) { return ProgramFolder() + L"\\" + name; }
CStringW Data(const wchar_t* name) { return DataFolder() + L"\\" + name; }

CStringW ClassKey(const CLSID& clsid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(clsid, text, 64);
    return CStringW(L"SOFTWARE\\Classes\\CLSID\\") + text;
}

// The visible top-level window with the title, of the process or (processId 0) of any; other
// windows of the program may carry the same title while hidden.
HWND VisibleWindow(const wchar_t* title, DWORD processId) {
    struct Search {
        const wchar_t* title;
        DWORD processId;
        HWND found;
    } search = {title, processId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t text[128] = {};
            ::GetWindowTextW(window, text, 128);
            if ((s->processId && owner != s->processId) || !::IsWindowVisible(window) || wcscmp(text, s->title) != 0) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// For failure messages: "title (process id)" of every visible top-level window.
std::string VisibleWindows() {
    std::string list;
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            if (!::IsWindowVisible(window)) return TRUE;
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t text[128] = {};
            ::GetWindowTextW(window, text, 128);
            *reinterpret_cast<std::string*>(param) += "\"" + Narrow(text) + "\" (" + std::to_string(owner) + ") ";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list;
}

// For failure messages: the exit code, or "still running".
std::string ExitCodeOf(testsupport::ChildProcess& process) {
    DWORD code = 0;
    return process.WaitExit(0, &code) ? std::to_string(code) : std::string("still running");
}

void EnsureInstalled() {
    if (FileExists(Program(L"Ostrel.exe")) && KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) return;
    ASSERT_EQ(RunSetup(L"/S"), 0);
}

void EnsureUninstalled() {
    if (!FileExists(Program(L"Uninstall.exe"))) return;
    ASSERT_TRUE(RunUninstaller());
}

// Both kinds of current settings, as the settings service leaves them after a user changed values.
void WriteCurrentSettings() {
    ::SHCreateDirectoryExW(nullptr, DataFolder(), nullptr);
    ::SHCreateDirectoryExW(nullptr, UserDataFolder(), nullptr);
    ASSERT_TRUE(testsupport::WriteTextFile(Data(L"CurrentSettingProfileData.xml"), kAllUsersSettings));
    ASSERT_TRUE(testsupport::WriteTextFile(UserDataFolder() + L"\\CurrentSettingProfileData.xml", kUserSettings));
}

void ExpectCurrentSettingsUntouched() {
    EXPECT_EQ(testsupport::ReadTextFile(Data(L"CurrentSettingProfileData.xml")), kAllUsersSettings);
    EXPECT_EQ(testsupport::ReadTextFile(UserDataFolder() + L"\\CurrentSettingProfileData.xml"), kUserSettings);
}

TEST(Installer, SilentInstallLaysDownFilesKeysRegistrationLinksAndPanelEntry) {
    EnsureUninstalled();
    ASSERT_EQ(RunSetup(L"/S"), 0);

    for (const wchar_t* file : {L"Ostrel.exe", L"Plugwerk.dll", L"Settory.dll", L"OstrelPanel.dll", L"SettoryHost.exe",
                                L"en-US\\Ostrel.exe.mui", L"Plugins\\MinimalPlugin.dll",
                                L"Plugins\\OstrelDisplayKeyboard.dll", L"Plugins\\OstrelPowerWireless.dll",
                                L"Uninstall.exe"}) {
        EXPECT_TRUE(FileExists(Program(file))) << Narrow(file);
    }
    // The system's language lookup finds each module in a folder named after its language; the
    // pseudo-language is for tests only.
    for (const wchar_t* language : {L"de-DE", L"es-ES", L"fr-FR", L"it-IT", L"ja-JP", L"ko-KR", L"nl-NL", L"ru-RU",
                                    L"zh-CN", L"zh-TW"}) {
        EXPECT_TRUE(FileExists(Program((std::wstring(language) + L"\\Ostrel.exe.mui").c_str()))) << Narrow(language);
    }
    EXPECT_FALSE(FileExists(Program(L"qps-ploc\\Ostrel.exe.mui")));
    std::string version = testsupport::ReadTextFile(Program(L"Version.txt"));
    EXPECT_NE(version.find("Version=" OSTREL_VERSION "\r\n"), std::string::npos) << version;

    for (const wchar_t* file : {L"Default\\DefaultSettingOstrel.xml", L"Default\\DefaultSettingMinimal.xml",
                                L"Default\\DefaultSettingDisplayKeyboard.xml",
                                L"Default\\DefaultSettingPowerWireless.xml", L"Schema files\\DefaultSetting.xsd",
                                L"Schema files\\CurrentSetting.xsd", L"Schema files\\OSLSetting.xsd", L"WordPad.xml"}) {
        EXPECT_TRUE(FileExists(Data(file))) << Narrow(file);
    }

    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kProductKey, L"InstalledPath").CompareNoCase(ProgramFolder()), 0);
    CStringW plugins = CStringW(kProductKey) + L"\\Plugins";
    for (const wchar_t* plugin : {L"MinimalPlugin", L"OstrelDisplayKeyboard", L"OstrelPowerWireless"}) {
        CStringW path = RegString(HKEY_LOCAL_MACHINE, plugins, plugin);
        EXPECT_TRUE(FileExists(path)) << Narrow(plugin) << " -> " << Narrow(path);
    }
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, CStringW(kProductKey) + L"\\TextEditor", L"AppName"), L"Text Editor");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, CStringW(kProductKey) + L"\\RegistryEditor"));
    if (FileExists(Program(L"QorUtils.dll"))) {
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll")
                      .CompareNoCase(Program(L"QorUtils.dll")),
                  0);
    }

    // The settings service answers from the installed host.
    CStringW server = RegString(HKEY_LOCAL_MACHINE, ClassKey(CLSID_CSettory) + L"\\LocalServer32", nullptr);
    EXPECT_NE(CStringW(server).MakeLower().Find(CStringW(Program(L"SettoryHost.exe")).MakeLower()), -1)
        << Narrow(server);
    {
        base::ComInit com(COINIT_MULTITHREADED);
        IUnknown* settory = nullptr;
        EXPECT_EQ(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&settory)),
                  S_OK);
        if (settory) settory->Release();
    }

    CStringW target, arguments, iconPath;
    int iconIndex = -1;
    ASSERT_TRUE(ReadLink(StartMenuLink(L"Ostrel Settings"), &target, &arguments, &iconPath, &iconIndex));
    EXPECT_EQ(target.CompareNoCase(Program(L"Ostrel.exe")), 0) << Narrow(target);
    EXPECT_EQ(arguments, L"/OSL");
    // The shortcut's icon is one the installed program file carries.
    HICON linkIcon = nullptr;
    EXPECT_EQ(::ExtractIconExW(iconPath, iconIndex, &linkIcon, nullptr, 1), 1u) << Narrow(iconPath) << "," << iconIndex;
    if (linkIcon) ::DestroyIcon(linkIcon);

    CStringW entry = FindPanelEntry();
    ASSERT_FALSE(entry.IsEmpty()) << "no Control Panel entry names OstrelPanel.dll";
    CStringW cls = L"SOFTWARE\\Classes\\CLSID\\" + entry;
    // The references resolve through the installed module's own resources.
    wchar_t text[256] = {};
    ASSERT_EQ(::SHLoadIndirectString(RegString(HKEY_LOCAL_MACHINE, cls, L"LocalizedString"), text, 256, nullptr), S_OK);
    EXPECT_STREQ(text, L"Ostrel");
    ASSERT_EQ(::SHLoadIndirectString(RegString(HKEY_LOCAL_MACHINE, cls, L"InfoTip"), text, 256, nullptr), S_OK);
    EXPECT_STREQ(text, L"Display system information and specify settings for your computer.");
    CStringW icon = RegString(HKEY_LOCAL_MACHINE, cls + L"\\DefaultIcon", nullptr);
    EXPECT_EQ(icon.CompareNoCase(Program(L"OstrelPanel.dll") + L",-101"), 0) << Narrow(icon);
    HICON large = nullptr;
    EXPECT_EQ(::ExtractIconExW(Program(L"OstrelPanel.dll"), -101, &large, nullptr, 1), 1u);
    if (large) ::DestroyIcon(large);
    CStringW command = RegString(HKEY_LOCAL_MACHINE, cls + L"\\Shell\\Open\\Command", nullptr);
    EXPECT_EQ(command.CompareNoCase(L"\"" + Program(L"Ostrel.exe") + L"\""), 0) << Narrow(command);

    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString")
                  .CompareNoCase(L"\"" + Program(L"Uninstall.exe") + L"\" /S"),
              0);
}

// A button of a wizard page in the setup program's window, by its text.
HWND WizardButton(HWND wizard, const wchar_t* text) {
    HWND button = ::FindWindowExW(wizard, nullptr, L"Button", text);
    return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button) ? button : nullptr;
}

TEST(Installer, InteractiveInstallRunsThroughItsPagesAndOpensTheProgram) {
    EnsureUninstalled();
    wchar_t setupPath[1024] = {};
    ASSERT_TRUE(::GetEnvironmentVariableW(L"OSTREL_SETUP", setupPath, 1024));
    testsupport::ChildProcess setup(L"\"" + CStringW(setupPath) + L"\"");
    ASSERT_TRUE(setup.Started());
    HWND wizard = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (wizard = VisibleWindow(L"Ostrel Setup", setup.Id())) != nullptr; },
                                       30000));
    HWND install = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (install = WizardButton(wizard, L"&Install")) != nullptr; }, 15000));
    ::PostMessageW(install, BM_CLICK, 0, 0);
    HWND finish = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (finish = WizardButton(wizard, L"&Finish")) != nullptr; }, 120000))
        << "the installation did not reach its last page";
    EXPECT_TRUE(FileExists(Program(L"Ostrel.exe")));
    EXPECT_TRUE(FileExists(StartMenuLink(L"Ostrel Settings")));

    // The last page offers to open the settings window, ticked.
    ::PostMessageW(finish, BM_CLICK, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(setup.WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(testsupport::WaitUntil([] { return VisibleWindow(L"Ostrel Settings", 0) != nullptr; }, 60000))
        << "the finish page did not open the program";
    testsupport::ChildProcess halt(L"\"" + Program(L"Ostrel.exe") + L"\" /halt");
    EXPECT_TRUE(halt.WaitExit(15000));
    // Ended, not only closing: a start meanwhile would hand its request to the ending instance.
    EXPECT_TRUE(WaitUntilNotRunning(L"Ostrel.exe", 15000));
}

TEST(Installer, InstalledProgramStartsAndShowsTheSamplePages) {
    EnsureInstalled();
    testsupport::ChildProcess program(L"\"" + Program(L"Ostrel.exe") + L"\"");
    ASSERT_TRUE(program.Started());
    HWND window = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (window = VisibleWindow(L"Ostrel Settings", program.Id())) != nullptr; },
                                       60000))
        << "the settings window did not appear; visible windows: " << VisibleWindows()
        << "; exit code " << ExitCodeOf(program);
    HWND tree = ::FindWindowExW(window, nullptr, L"SysTreeView32", nullptr);
    ASSERT_NE(tree, nullptr);
    // A page of each sample plug-in that the installer registered.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return TreeContains(tree, L"Battery indicator"); }, 15000));

    testsupport::ChildProcess halt(L"\"" + Program(L"Ostrel.exe") + L"\" /halt");
    EXPECT_TRUE(halt.WaitExit(15000));
    EXPECT_TRUE(program.WaitExit(15000)) << "the program did not end on /halt";
}

TEST(Installer, SilentUninstallRemovesItAndKeepsCurrentSettings) {
    EnsureInstalled();
    WriteCurrentSettings();
    const CStringW settoryKey = ClassKey(CLSID_CSettory);
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, settoryKey));
    const CStringW panelEntry = FindPanelEntry();
    ASSERT_FALSE(panelEntry.IsEmpty());

    ASSERT_TRUE(RunUninstaller());

    EXPECT_FALSE(::PathIsDirectoryW(ProgramFolder())) << "the program folder is left";
    EXPECT_FALSE(FileExists(Data(L"Default\\DefaultSettingOstrel.xml")));
    EXPECT_FALSE(::PathIsDirectoryW(Data(L"Default")));
    EXPECT_FALSE(::PathIsDirectoryW(Data(L"Schema files")));
    EXPECT_FALSE(FileExists(Data(L"WordPad.xml")));
    EXPECT_FALSE(::PathIsDirectoryW(Data(L"SampleDevices")));
    ExpectCurrentSettingsUntouched();

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(RegString(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll").IsEmpty()) << "the stand-in's registration";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, settoryKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\CLSID\\" + panelEntry));
    EXPECT_TRUE(FindPanelEntry().IsEmpty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(FileExists(StartMenuLink(L"Ostrel Settings")));
}

TEST(Installer, UninstallLeavesEntriesOthersAddedUnderTheProductKey) {
    EnsureInstalled();
    const CStringW foreign = CStringW(kProductKey) + L"\\OtherVendorTool";
    base::UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, foreign, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    key.reset();

    ASSERT_TRUE(RunUninstaller());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, foreign));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, CStringW(kProductKey) + L"\\TextEditor"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, CStringW(kProductKey) + L"\\Plugins"));
    EXPECT_TRUE(RegString(HKEY_LOCAL_MACHINE, kProductKey, L"InstalledPath").IsEmpty());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, foreign);
}

TEST(Installer, InstallingOverAnInstallationKeepsCurrentSettings) {
    EnsureInstalled();
    WriteCurrentSettings();
    // A file of the old installation that setup replaces.
    ASSERT_TRUE(testsupport::WriteTextFile(Program(L"Version.txt"), "Version=0.9.0\r\n"));

    ASSERT_EQ(RunSetup(L"/S"), 0);
    ExpectCurrentSettingsUntouched();
    EXPECT_NE(testsupport::ReadTextFile(Program(L"Version.txt")).find("Version=" OSTREL_VERSION), std::string::npos);
    EXPECT_TRUE(FileExists(Program(L"Ostrel.exe")));
    EXPECT_TRUE(FileExists(StartMenuLink(L"Ostrel Settings")));
    // Still a working installation: the uninstaller takes it away again, settings left in place.
    ASSERT_TRUE(RunUninstaller());
    ExpectCurrentSettingsUntouched();
}

TEST(Installer, MakersRegisteredLibraryIsKeptThroughInstallAndUninstall_IntoAnotherFolder) {
    EnsureUninstalled();
    const CStringW maker = L"C:\\Maker Tools\\QorUtils.dll";
    const CStringW folder = L"C:\\Ostrel Elsewhere";
    ::CreateDirectoryW(L"C:\\Maker Tools", nullptr);
    ASSERT_TRUE(::CopyFileW(testsupport::BinFile(L"QorUtils.dll"), maker, FALSE));
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll", REG_SZ, maker.GetString(),
                                (maker.GetLength() + 1) * sizeof(wchar_t)),
              ERROR_SUCCESS);

    // /D= is the last switch and takes the folder unquoted, blanks and all.
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), 0);
    EXPECT_TRUE(FileExists(folder + L"\\Ostrel.exe"));
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kProductKey, L"InstalledPath").CompareNoCase(folder), 0);
    EXPECT_EQ(Narrow(RegString(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll")), Narrow(maker));
    EXPECT_FALSE(FileExists(folder + L"\\QorUtils.dll")) << "the stand-in is not installed beside it";

    ASSERT_TRUE(RunUninstaller(folder));
    EXPECT_FALSE(FileExists(folder + L"\\Ostrel.exe"));
    EXPECT_EQ(Narrow(RegString(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll")), Narrow(maker));
    EXPECT_TRUE(FileExists(maker));
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll");
}

TEST(Installer, InstallingOverARunningProgramClosesItFirst) {
    EnsureInstalled();
    testsupport::ChildProcess program(L"\"" + Program(L"Ostrel.exe") + L"\"");
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(testsupport::WaitUntil([&] { return VisibleWindow(L"Ostrel Settings", program.Id()) != nullptr; }, 60000))
        << "the settings window did not appear";

    ASSERT_EQ(RunSetup(L"/S"), 0);
    EXPECT_TRUE(program.WaitExit(15000)) << "setup left the program running";
    EXPECT_TRUE(FileExists(Program(L"Ostrel.exe")));
    EXPECT_TRUE(FileExists(StartMenuLink(L"Ostrel Settings")));
}

}  // namespace

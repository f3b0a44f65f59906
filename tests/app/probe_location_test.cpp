// Probes named by registration files: where they may be loaded from, judged on the resolved path, and
// proof by a library that records its own loading that a refused probe never runs.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/handles.h"
#include "catalogue/probe_location.h"
#include "xmlapps_fixture.h"

namespace {

using namespace xmlappstest;
using testsupport::BinFolder;

CStringW ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

CStringW WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(path, MAX_PATH);
    return path;
}

TEST(ProbeLocation, OnlyPlainPathsInsideTrustedFoldersPass) {
    CStringW bin = BinFolder();
    CStringW programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    CStringW windows = WindowsFolder();
    CStringW upperBin = bin;
    upperBin.MakeUpper();
    CStringW forward = bin + L"\\probe.dll";
    forward.Replace(L'\\', L'/');
    struct {
        CStringW path;
        BOOL trusted;
    } cases[] = {
        {bin + L"\\probe.dll", TRUE},
        {upperBin + L"\\PROBE.DLL", TRUE},
        {programFiles + L"\\Quor\\probe.dll", TRUE},
        {ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Quor\\probe.dll", TRUE},
        {windows + L"\\System32\\probe.dll", TRUE},
        {windows + L"\\Temp\\probe.dll", FALSE},
        {windows + L"\\temp\\sub\\probe.dll", FALSE},
        {windows + L"\\System32\\spool\\drivers\\color\\probe.dll", FALSE},
        {ShellFolder(CSIDL_COMMON_APPDATA) + L"\\Quor Corporation\\Ostrel\\probe.dll", FALSE},
        {ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\probe.dll", FALSE},
        {programFiles + L"\\..\\probe.dll", FALSE},
        {programFiles + L"\\Quor\\..\\..\\Users\\probe.dll", FALSE},
        {programFiles + L"\\.\\probe.dll", FALSE},
        {programFiles + L"\\\\probe.dll", FALSE},
        {programFiles + L"\\probe.dll.", FALSE},
        {programFiles + L"\\probe.dll ", FALSE},
        {programFiles + L"\\probe.dll:stream", FALSE},
        {programFiles + L"\\*.dll", FALSE},
        {programFiles + L" Evil\\probe.dll", FALSE},
        {programFiles + L"\\", FALSE},
        {programFiles, FALSE},
        {L"probe.dll", FALSE},
        {L"Quor\\probe.dll", FALSE},
        {L"\\Program Files\\probe.dll", FALSE},
        {programFiles.Left(2) + L"probe.dll", FALSE},
        {L"\\\\server\\share\\probe.dll", FALSE},
        {L"\\\\?\\" + programFiles + L"\\probe.dll", FALSE},
        {L"%ProgramFiles%\\probe.dll", FALSE},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quor\\Probe", FALSE},
        {forward, FALSE},
        {L"", FALSE},
    };
    for (const auto& c : cases) EXPECT_EQ(c.trusted, ostrel::IsTrustedProbeLocation(c.path)) << Narrow(c.path);
}

// The recorder library copied to a location; the event tells whether its DllMain ran.
class ProbeLoading : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        CStringW name = L"OstrelProbeLoaded-";
        name.AppendFormat(L"%lu", ::GetCurrentProcessId());
        loaded_.reset(::CreateEventW(nullptr, TRUE, FALSE, name));
        ASSERT_TRUE(loaded_);
    }
    CStringW Place(const CStringW& folderPath, const wchar_t* name) {
        CStringW path = folderPath + L"\\" + name;
        EXPECT_TRUE(::CopyFileW(testsupport::BinFile(L"ProbeRecorder.dll"), path, FALSE)) << Narrow(path);
        placed_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const CStringW& path : placed_) ::DeleteFileW(path);
    }
    // Lists one application whose probe is checkPath; option 1 decides what the probe answers.
    bool Listed(const std::string& checkPath, int option1 = 1, const std::string& function = "ProbeSum") {
        ::ResetEvent(loaded_.get());
        folder.Write(L"probed.xml",
                     Registration(Name("Probed") + folder.ProgramElement() + "<AppCheck><CheckPath>" + checkPath +
                                  "</CheckPath><CheckFunc>" + function + "</CheckFunc><Option1>" + std::to_string(option1) +
                                  "</Option1></AppCheck>"));
        return Enumerate().size() == 1;
    }
    bool WasLoaded() { return ::WaitForSingleObject(loaded_.get(), 0) == WAIT_OBJECT_0; }

    base::UniqueHandle loaded_;
    std::vector<CStringW> placed_;
    testsupport::TempFolder temp_;
};

TEST_F(ProbeLoading, UntrustedLocationsAreNeverLoaded) {
    CStringW inData = Place(folder.data, L"ProbeInData.dll");
    CStringW inTemp = Place(temp_.Path(), L"ProbeInTemp.dll");
    testsupport::ScopedEnv var(L"OSTREL_PROBE_DIR", temp_.Path());
    testsupport::ScratchKey key;
    ::RegSetValueExW(key.Get(), L"Probe", 0, REG_SZ, reinterpret_cast<const BYTE*>(inTemp.GetString()),
                     static_cast<DWORD>((inTemp.GetLength() + 1) * sizeof(wchar_t)));
    // From an allowed folder back out into the temporary one.
    CStringW programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    CStringW escape = programFiles + L"\\..";
    for (int i = 3; i < programFiles.GetLength(); ++i) {
        if (programFiles[i] == L'\\') escape += L"\\..";
    }
    escape += inTemp.Mid(2);
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES == ::GetFileAttributesW(escape), false) << "the escape names the file";

    const std::string cases[] = {
        Narrow(inData),
        Narrow(inTemp),
        Narrow(escape),
        "%OSTREL_PROBE_DIR%\\ProbeInTemp.dll",
        Narrow(L"HKEY_CURRENT_USER\\" + key.SubkeyPath() + L"\\Probe"),
    };
    for (const std::string& path : cases) {
        EXPECT_FALSE(Listed(path)) << path;
        EXPECT_FALSE(WasLoaded()) << path;
    }
}

TEST_F(ProbeLoading, TrustedLocationLoadsTheProbeAndItDecides) {
    CStringW inBin = Place(BinFolder(), L"ProbeInBin.dll");
    EXPECT_TRUE(Listed(Narrow(inBin), 1));
    EXPECT_TRUE(WasLoaded());
    EXPECT_FALSE(Listed(Narrow(inBin), 0)) << "the probe answers 0";
    EXPECT_TRUE(WasLoaded());

    // Judged on the resolved path: a variable that leads into the trusted folder is fine.
    testsupport::ScopedEnv var(L"OSTREL_PROBE_DIR", BinFolder());
    EXPECT_TRUE(Listed("%OSTREL_PROBE_DIR%\\ProbeInBin.dll"));
    EXPECT_TRUE(WasLoaded());
    // A probe file that does not exist is no probe at all.
    EXPECT_TRUE(Listed(Narrow(BinFolder()) + "\\NoSuchProbe.dll"));
    EXPECT_FALSE(WasLoaded());
    // A probe that throws answers nothing, so its application is left out.
    EXPECT_FALSE(Listed(Narrow(testsupport::BinFile(L"TestPlugin_hostile.dll")), 1, "HostileProbe"));
}

TEST_F(ProbeLoading, StringAndIconModulesAreOnlyMapped) {
    CStringW module = Place(temp_.Path(), L"Strings.dll");
    ::ResetEvent(loaded_.get());
    folder.Write(L"strings.xml", Registration("<AppName StringPath=\"" + Narrow(module) + ",5\"/>" +
                                              folder.ProgramElement() + "<IconPath>" + Narrow(module) +
                                              "</IconPath>"));
    std::vector<CXMLRegisteredApplication*> entries = Enumerate();
    ASSERT_EQ(1u, entries.size());
    HICON icon = entries[0]->LoadAppIcon(32);
    if (icon) ::DestroyIcon(icon);
    EXPECT_FALSE(WasLoaded()) << "name and icon read without running the module";
}

}  // namespace

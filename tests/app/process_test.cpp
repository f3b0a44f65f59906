// Real Ostrel.exe processes: single instance, hand-over, shutdown requests, shortcuts.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <commctrl.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/resource_module.h"
#include "catalogue/registered_application.h"
#include "common/open_request.h"
#include "resource.h"
#include "support/fixtures.h"
#include "testdata/plugins/hostile_pages.h"
#include "window/main_dlg.h"

namespace {

using testsupport::ChildProcess;
using testsupport::WaitUntil;

constexpr DWORD kTimeout = 15000;

// The item of the other process's tree whose text is text, or null; read through memory in that process.
HTREEITEM FindTreeItem(HWND tree, const wchar_t* text) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(tree, &pid);
    base::UniqueHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return nullptr;
    constexpr SIZE_T kChars = 260;
    BYTE* remote = static_cast<BYTE*>(
        ::VirtualAllocEx(process.get(), nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return nullptr;
    auto next = [&](UINT how, HTREEITEM from) {
        DWORD_PTR item = 0;
        ::SendMessageTimeoutW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from), SMTO_BLOCK, 5000, &item);
        return reinterpret_cast<HTREEITEM>(item);
    };
    HTREEITEM found = nullptr;
    std::vector<HTREEITEM> pending;
    for (HTREEITEM item = next(TVGN_ROOT, nullptr); item; item = next(TVGN_NEXT, item)) pending.push_back(item);
    while (!pending.empty() && !found) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        TVITEMW request = {};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        request.cchTextMax = kChars;
        wchar_t buffer[kChars] = {};
        DWORD_PTR ok = 0;
        if (::WriteProcessMemory(process.get(), remote, &request, sizeof(request), nullptr) &&
            ::SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 5000, &ok) &&
            ok &&
            ::ReadProcessMemory(process.get(), remote + sizeof(TVITEMW), buffer, sizeof(buffer) - sizeof(wchar_t),
                                nullptr) &&
            wcscmp(buffer, text) == 0) {
            found = item;
        }
        for (HTREEITEM child = next(TVGN_CHILD, item); child; child = next(TVGN_NEXT, child)) pending.push_back(child);
    }
    ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return found;
}

bool InstanceRunning() {
    base::UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"Ostrel-MutexUser"));
    return mutex.valid();
}

CStringW OstrelCommand(const wchar_t* arguments) {
    return L"\"" + testsupport::BinFile(L"Ostrel.exe") + L"\" " + arguments;
}

// Runs Ostrel.exe with the arguments and waits for it to end.
DWORD RunToEnd(const wchar_t* arguments) {
    ChildProcess p(OstrelCommand(arguments));
    DWORD code = 12345;
    EXPECT_TRUE(p.WaitExit(kTimeout, &code)) << "Ostrel.exe " << CStringW(arguments).GetString();
    return code;
}

class OstrelProcess : public testing::Test {
protected:
    void SetUp() override {
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        settingsCaption_.LoadString(resources_.get(), IDS_SETTINGS_WINDOW_CAPTION);
        statusCaption_.LoadString(resources_.get(), IDS_STATUS_WINDOW_CAPTION);
        if (InstanceRunning()) RunToEnd(L"/halt");
        ASSERT_TRUE(WaitUntil([] { return !InstanceRunning(); }, kTimeout));
    }
    // An instance is ended with /halt, never killed: a killed client leaves the settings service's
    // host process holding its objects for good under Wine.
    void TearDown() override {
        if (InstanceRunning()) RunToEnd(L"/halt");
        WaitUntil([] { return !InstanceRunning(); }, kTimeout);
        if (instance_) instance_->WaitExit(kTimeout);
        instance_.reset();
    }

    HWND SettingsWindow() const { return ::FindWindowW(MAKEINTATOM(0x8002), settingsCaption_); }
    HWND MessageWindow() const { return ::FindWindowW(nullptr, L"OSL Main Message window"); }

    ChildProcess* StartInstance(const wchar_t* arguments = L"") {
        instance_ = std::make_unique<ChildProcess>(OstrelCommand(arguments));
        EXPECT_TRUE(instance_->Started());
        EXPECT_TRUE(WaitUntil([&] { return SettingsWindow() != nullptr; }, kTimeout)) << "no settings window";
        return instance_.get();
    }

    static int CountTopLevel(const wchar_t* title) {
        struct Count {
            const wchar_t* title;
            int n;
        } count = {title, 0};
        ::EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* c = reinterpret_cast<Count*>(lp);
                wchar_t text[128] = {};
                ::GetWindowTextW(hwnd, text, 128);
                if (!wcscmp(text, c->title)) ++c->n;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
        return count.n;
    }

    // The name of the entry the settings window shows.
    static CStringW ShownTitle(HWND dialog) {
        wchar_t text[128] = {};
        ::GetDlgItemTextW(dialog, IDC_TITLE, text, 128);
        return text;
    }

    std::unique_ptr<ChildProcess> instance_;
    base::UniqueModule resources_;
    CStringW settingsCaption_;
    CStringW statusCaption_;
};

// The stand-in plug-in with three pages is registered for the program while a test runs.
class OstrelWithPlugin : public OstrelProcess {
protected:
    void SetUp() override {
        OstrelProcess::SetUp();
        CStringW path = CStringW(ostrel::kProductKey) + L"\\Plugins";
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                   plugins_.put(), nullptr));
        CStringW dll = testsupport::BinFile(L"TestPlugin_three.dll");
        ::RegSetValueExW(plugins_.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.GetString()),
                         static_cast<DWORD>((dll.GetLength() + 1) * sizeof(wchar_t)));
    }
    void TearDown() override {
        OstrelProcess::TearDown();
        if (plugins_) ::RegDeleteValueW(plugins_.get(), kValueName);
    }
    static constexpr const wchar_t* kValueName = L"OstrelProcessTest";
    base::UniqueHKey plugins_;
};

TEST_F(OstrelWithPlugin, SecondStartHandsItsRequestToTheRunningInstanceAndEnds) {
    ChildProcess* first = StartInstance(L"/CLD:AAAAAAAA-0000-0000-0000-000000000002");
    HWND dialog = SettingsWindow();
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Display tools"; }, kTimeout));

    // Class ids are compared without regard to case.
    EXPECT_EQ(0u, RunToEnd(L"/cld:aaaaaaaa-0000-0000-0000-000000000001"));
    EXPECT_FALSE(first->WaitExit(0));
    EXPECT_EQ(1, CountTopLevel(L"OSL Main Message window"));
    EXPECT_EQ(1, CountTopLevel(settingsCaption_));
    EXPECT_EQ(dialog, SettingsWindow());
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Alpha page"; }, kTimeout));

    // A class id too long for the request is dropped instead of cut, and an unknown one changes
    // nothing: the page stays as it was.
    CStringW tooLong = L"/CLD:AAAAAAAA-0000-0000-0000-000000000002" + CStringW(L'9', 40);
    EXPECT_EQ(0u, RunToEnd(tooLong));
    EXPECT_EQ(0u, RunToEnd(L"/CLD:12345678-0000-0000-0000-000000000000"));
    EXPECT_STREQ(L"Alpha page", ShownTitle(dialog));
}

TEST_F(OstrelProcess, SecondStartRestoresAMinimisedSettingsWindow) {
    StartInstance();
    HWND dialog = SettingsWindow();
    ::ShowWindow(dialog, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(dialog) != FALSE; }, kTimeout));
    RunToEnd(L"/OSL");
    EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(dialog); }, kTimeout));
    EXPECT_TRUE(::IsWindowVisible(dialog));
}

TEST_F(OstrelProcess, HaltEndsTheRunningInstance) {
    ChildProcess* first = StartInstance();
    EXPECT_EQ(0u, RunToEnd(L"/halt"));
    EXPECT_TRUE(first->WaitExit(kTimeout));
    EXPECT_TRUE(WaitUntil([] { return !InstanceRunning(); }, kTimeout));
}

TEST_F(OstrelProcess, HaltAllEndsTheRunningInstanceForAnAdministrator) {
    ChildProcess* first = StartInstance();
    EXPECT_EQ(0u, RunToEnd(L"-haltAll"));
    EXPECT_TRUE(first->WaitExit(kTimeout));
}

TEST_F(OstrelProcess, ClosingTheLastWindowEndsTheProcess) {
    // The status window is not offered here: a start that asks for it has no window, and ends instead
    // of holding the instance for every later start.
    EXPECT_EQ(0u, RunToEnd(L"/PMX"));
    EXPECT_FALSE(InstanceRunning());
    ChildProcess* first = StartInstance();
    ::PostMessageW(SettingsWindow(), WM_COMMAND, IDCANCEL, 0);
    DWORD code = 1;
    EXPECT_TRUE(first->WaitExit(kTimeout, &code));
    EXPECT_EQ(0u, code);
}

TEST_F(OstrelProcess, MalformedOpenRequestsFromOtherProcessesAreIgnored) {
    ChildProcess* first = StartInstance();
    HWND window = MessageWindow();
    ASSERT_NE(nullptr, window);
    // The start entry is shown a moment after the window opens.
    ASSERT_TRUE(WaitUntil([&] { return !ShownTitle(SettingsWindow()).IsEmpty(); }, kTimeout));
    CStringW shownBefore = ShownTitle(SettingsWindow());
    BYTE junk[16] = {0x41, 0, 0x42, 0};
    COPYDATASTRUCT shortData = {ostrel::REQ_OPEN_MAIN, sizeof(junk), junk};
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&shortData), SMTO_BLOCK,
                                      kTimeout, &result));
    std::vector<wchar_t> unterminated(66, L'Z');
    COPYDATASTRUCT noTerminator = {ostrel::REQ_OPEN_MAIN, ostrel::kRequestPayloadBytes, unterminated.data()};
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&noTerminator), SMTO_BLOCK,
                                      kTimeout, &result));
    ostrel::RequestPayload payload = {};
    COPYDATASTRUCT unknownCode = {77, ostrel::kRequestPayloadBytes, &payload};
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&unknownCode), SMTO_BLOCK,
                                      kTimeout, &result));
    EXPECT_FALSE(first->WaitExit(0));
    EXPECT_EQ(1, CountTopLevel(settingsCaption_));
    EXPECT_STREQ(shownBefore, ShownTitle(SettingsWindow()));
}

// A large request from another process: only the payload's own bytes are read, whatever follows them.
TEST_F(OstrelWithPlugin, OversizedOpenRequestsAreReadOnlyAsFarAsThePayloadAndLaterRequestsWork) {
    ChildProcess* first = StartInstance(L"/CLD:AAAAAAAA-0000-0000-0000-000000000002");
    HWND window = MessageWindow();
    ASSERT_NE(nullptr, window);
    HWND dialog = SettingsWindow();
    ASSERT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Display tools"; }, kTimeout));

    // A megabyte without a terminator in the class id field: an empty id, which changes nothing.
    std::vector<wchar_t> junk(512 * 1024, L'Z');
    COPYDATASTRUCT huge = {ostrel::REQ_OPEN_MAIN, static_cast<DWORD>(junk.size() * sizeof(wchar_t)), junk.data()};
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&huge), SMTO_BLOCK, kTimeout,
                                      &result));
    // A megabyte of another request code.
    COPYDATASTRUCT hugeUnknown = {0xFFFFFFFFu, huge.cbData, junk.data()};
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&hugeUnknown), SMTO_BLOCK,
                                      kTimeout, &result));
    EXPECT_FALSE(first->WaitExit(0));
    EXPECT_EQ(1, CountTopLevel(settingsCaption_));
    EXPECT_STREQ(L"Display tools", ShownTitle(dialog));

    // A well-formed id in front of a megabyte of junk is a request like any other.
    const wchar_t alpha[] = L"AAAAAAAA-0000-0000-0000-000000000001";
    std::copy(alpha, alpha + ARRAYSIZE(alpha), junk.begin());
    EXPECT_TRUE(::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&huge), SMTO_BLOCK, kTimeout,
                                      &result));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Alpha page"; }, kTimeout));

    // And a proper request afterwards is still answered.
    EXPECT_TRUE(ostrel::SendOpenRequest(window, ostrel::REQ_OPEN_MAIN, L"AAAAAAAA-0000-0000-0000-000000000002"));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Display tools"; }, kTimeout));
    EXPECT_EQ(1, CountTopLevel(L"OSL Main Message window"));
}

// Command lines with every switch at once, garbage and a huge argument: each start either ends by
// itself or runs as a normal instance that /halt ends, and a plain start afterwards works.
TEST_F(OstrelProcess, HostileCommandLinesEndOrRunAndAPlainStartWorksAfterwards) {
    // Every switch at once: the shutdown request comes first and nothing starts.
    EXPECT_EQ(0u, RunToEnd(L"/halt -haltAll /Install -UnInstall /OSL -PMX /CLD:AAAAAAAA-0000-0000-0000-000000000002 "
                           L"-Embedding /Automation"));
    EXPECT_FALSE(InstanceRunning());

    CStringW hugeId = L"/CLD:" + CStringW(L'A', 20000);
    CStringW hugeWord = L"\"" + CStringW(L'x', 8000) + L" \\\" /CLD:";
    const CStringW runs[] = {
        L"garbage \"unterminated /CLD: -- / // ^%PATH%\t \\\\server\\x",
        L"-cld:\"\" /CLD:/CLD: /OSL\"",
        hugeId + L" " + hugeWord,
    };
    for (const CStringW& arguments : runs) {
        ChildProcess instance(OstrelCommand(arguments));
        ASSERT_TRUE(instance.Started());
        ASSERT_TRUE(WaitUntil([&] { return SettingsWindow() != nullptr; }, kTimeout)) << arguments.Left(60).GetString();
        // A second hostile start while it runs hands over and ends.
        EXPECT_EQ(0u, RunToEnd(hugeId + L" /PMX /OSL garbage"));
        EXPECT_EQ(1, CountTopLevel(settingsCaption_));
        EXPECT_EQ(0u, RunToEnd(L"/halt"));
        EXPECT_TRUE(instance.WaitExit(kTimeout)) << arguments.Left(60).GetString();
        ASSERT_TRUE(WaitUntil([] { return !InstanceRunning(); }, kTimeout));
    }

    StartInstance();
    EXPECT_NE(nullptr, MessageWindow());
    EXPECT_TRUE(WaitUntil([&] { return !ShownTitle(SettingsWindow()).IsEmpty(); }, kTimeout));
}

// A plug-in whose pages throw from every call, hold nothing, or block in their initialisation until
// the test releases them.
class OstrelWithHostilePlugin : public OstrelProcess {
protected:
    void SetUp() override {
        release_.reset(::CreateEventW(nullptr, TRUE, FALSE, HOSTILE_RELEASE_EVENT));
        ASSERT_TRUE(release_.valid());
        OstrelProcess::SetUp();
        CStringW path = CStringW(ostrel::kProductKey) + L"\\Plugins";
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                   plugins_.put(), nullptr));
        CStringW dll = testsupport::BinFile(L"TestPlugin_hostile.dll");
        ::RegSetValueExW(plugins_.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.GetString()),
                         static_cast<DWORD>((dll.GetLength() + 1) * sizeof(wchar_t)));
    }
    void TearDown() override {
        // The blocking page must be able to finish, or the instance cannot end promptly.
        if (release_) ::SetEvent(release_.get());
        OstrelProcess::TearDown();
        if (plugins_) ::RegDeleteValueW(plugins_.get(), kValueName);
    }
    // Whether the window's thread answers a message within the time.
    static bool Answers(HWND window, DWORD timeoutMs) {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &result) != 0;
    }
    static constexpr const wchar_t* kValueName = L"OstrelProcessTestHostile";
    base::UniqueHKey plugins_;
    base::UniqueHandle release_;
};

TEST_F(OstrelWithHostilePlugin, ThrowingAndBlockingPagesLeaveTheWindowUsable) {
    ChildProcess* first = StartInstance(L"/CLD:" HOSTILE_THROWING_ID);
    HWND dialog = SettingsWindow();
    // Its initialisation threw, so its ready event was set: the page opens, and its throwing window
    // procedure, option and status item are contained.
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Throwing page"; }, kTimeout));
    EXPECT_TRUE(Answers(dialog, kTimeout));

    // The blocking page holds up the background completion on the instance's main thread. A start
    // meanwhile still ends within its bound instead of waiting for the plug-in.
    DWORD started = ::GetTickCount();
    EXPECT_EQ(0u, RunToEnd(L"/CLD:" HOSTILE_QUIET_ID));
    EXPECT_LT(::GetTickCount() - started, kTimeout);

    // The window's own thread is not held: the pages completed before the blocking one open from the
    // tree.
    HWND tree = ::GetDlgItem(dialog, IDC_TREE);
    HTREEITEM quiet = FindTreeItem(tree, L"Quiet page");
    ASSERT_NE(nullptr, quiet);
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(quiet), SMTO_BLOCK,
                                      kTimeout, &result));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Quiet page"; }, kTimeout));

    // The blocking page itself is waited for within the window's bound and not opened.
    HTREEITEM blocking = FindTreeItem(tree, L"Blocking page");
    ASSERT_NE(nullptr, blocking);
    ::PostMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(blocking));
    EXPECT_TRUE(Answers(dialog, 2 * kTimeout));
    EXPECT_STREQ(L"Quiet page", ShownTitle(dialog));

    // Once it finishes it opens like any other, and requests reach the instance again.
    ::SetEvent(release_.get());
    HTREEITEM throwing = FindTreeItem(tree, L"Throwing page");
    ASSERT_NE(nullptr, throwing);
    EXPECT_TRUE(::SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(throwing),
                                      SMTO_BLOCK, kTimeout, &result));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Throwing page"; }, kTimeout));
    EXPECT_TRUE(ostrel::SendOpenRequest(MessageWindow(), ostrel::REQ_OPEN_MAIN, HOSTILE_BLOCKING_ID));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Blocking page"; }, kTimeout));
    EXPECT_FALSE(first->WaitExit(0));
    EXPECT_EQ(1, CountTopLevel(settingsCaption_));
}

// The settings window's own selection message carries a pointer: posted by another process with
// any value, it must be ignored, not followed.
TEST_F(OstrelWithPlugin, ForeignSelectionMessagesAreIgnored) {
    ChildProcess* first = StartInstance(L"/CLD:AAAAAAAA-0000-0000-0000-000000000002");
    HWND dialog = SettingsWindow();
    ASSERT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Display tools"; }, kTimeout));
    for (LPARAM junk : {static_cast<LPARAM>(0x12345678), static_cast<LPARAM>(-1), static_cast<LPARAM>(16)}) {
        ::PostMessageW(dialog, COSLMainDlg::kSelectClassMessage, 0, junk);
    }
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_BLOCK, kTimeout, &result));
    EXPECT_FALSE(first->WaitExit(0));
    EXPECT_STREQ(L"Display tools", ShownTitle(dialog));
    EXPECT_TRUE(ostrel::SendOpenRequest(MessageWindow(), ostrel::REQ_OPEN_MAIN, L"AAAAAAAA-0000-0000-0000-000000000001"));
    EXPECT_TRUE(WaitUntil([&] { return ShownTitle(dialog) == L"Alpha page"; }, kTimeout));
}

class StartMenuLinks : public OstrelProcess {
protected:
    CStringW LinkPath(const CStringW& name) {
        wchar_t folder[MAX_PATH] = {};
        ::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, folder);
        return CStringW(folder) + L"\\" + name + L".lnk";
    }
};

TEST_F(StartMenuLinks, InstallCreatesTheSettingsLinkAndUnInstallDeletesBoth) {
    CStringW settingsLink = LinkPath(settingsCaption_);
    CStringW statusLink = LinkPath(statusCaption_);
    ::DeleteFileW(settingsLink);
    EXPECT_EQ(0u, RunToEnd(L"/Install"));
    ASSERT_TRUE(testsupport::FileExists(settingsLink));
    EXPECT_FALSE(InstanceRunning());

    {
        base::ComInit com(COINIT_APARTMENTTHREADED);
        base::ComPtr<IShellLinkW> link;
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           link.PutVoid()));
        base::ComPtr<IPersistFile> file;
        ASSERT_EQ(S_OK, link.As(IID_IPersistFile, file));
        ASSERT_EQ(S_OK, file->Load(settingsLink, STGM_READ));
        wchar_t arguments[64] = {};
        link->GetArguments(arguments, 64);
        EXPECT_STREQ(L"/OSL", arguments);
        wchar_t target[MAX_PATH] = {};
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        EXPECT_NE(nullptr, StrStrIW(target, L"\\Quor\\Ostrel\\Ostrel.exe")) << CStringW(target).GetString();
    }

    // The program file carries the icons and names that its shortcuts point at.
    CStringW program = testsupport::BinFile(L"Ostrel.exe");
    for (int position : {ICON_POSITION_SETTINGS, ICON_POSITION_STATUS}) {
        HICON icon = nullptr;
        EXPECT_EQ(1u, ::ExtractIconExW(program, position, &icon, nullptr, 1)) << position;
        if (icon) ::DestroyIcon(icon);
    }
    const std::pair<UINT, CStringW> names[] = {{IDS_SETTINGS_WINDOW_CAPTION, settingsCaption_},
                                               {IDS_STATUS_WINDOW_CAPTION, statusCaption_}};
    for (const auto& expected : names) {
        CStringW reference;
        reference.Format(L"@%s,-%u", program.GetString(), expected.first);
        wchar_t name[128] = {};
        EXPECT_EQ(S_OK, ::SHLoadIndirectString(reference, name, 128, nullptr)) << expected.first;
        EXPECT_STREQ(expected.second, name);
    }

    // A second link with the status window's name stands in for one made where the model has it.
    ASSERT_TRUE(testsupport::WriteTextFile(statusLink, "x"));
    EXPECT_EQ(0u, RunToEnd(L"-UnInstall"));
    EXPECT_FALSE(testsupport::FileExists(settingsLink));
    EXPECT_FALSE(testsupport::FileExists(statusLink));
    // Deleting links that are not there is quiet.
    EXPECT_EQ(0u, RunToEnd(L"/uninstall"));
}

}  // namespace

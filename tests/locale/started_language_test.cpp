// The program started in one language (see run-in-languages.sh) shows its settings window in that
// language: read from this process, its caption and the names of the tree's categories are the
// texts of that language's module.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "../app/resource.h"
#include "base/handles.h"
#include "locale/languages.h"
#include "support/fixtures.h"

namespace {

using localetest::Narrow;

std::wstring LoadText(HMODULE module, UINT id) {
    wchar_t text[512] = {};
    ::LoadStringW(module, id, text, 512);
    return text;
}

// The text of a tree item of another process: the item structure and the text buffer have to lie in
// that process's memory, since the tree reads and writes them there.
std::wstring RemoteItemText(HWND tree, HANDLE process, HTREEITEM item) {
    constexpr SIZE_T kChars = 260;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return std::wstring();
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<BYTE*>(remote) + sizeof(TVITEMW));
    TVITEMW query = {};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = item;
    query.pszText = remoteText;
    query.cchTextMax = kChars;
    std::wstring text;
    wchar_t buffer[kChars] = {};
    if (::WriteProcessMemory(process, remote, &query, sizeof(query), nullptr) &&
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
        ::ReadProcessMemory(process, remoteText, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr)) {
        text = buffer;
    }
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

TEST(StartedInLanguage, SettingsWindowShowsTheCaptionAndCategoryNamesOfThatLanguage) {
    wchar_t language[32] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"OSTREL_TEST_LANGUAGE", language, 32), 0u) << "run through run-in-languages.sh";
    base::UniqueModule module = localetest::LoadModule(language);
    ASSERT_TRUE(module.valid());
    std::wstring caption = LoadText(module.get(), IDS_SETTINGS_WINDOW_CAPTION);
    std::set<std::wstring> categories;
    for (UINT id = IDS_CATEGORY_FIRST; id <= IDS_CATEGORY_FIRST + 13; ++id) categories.insert(LoadText(module.get(), id));
    categories.insert(LoadText(module.get(), IDS_CATEGORY_MORE));

    // The dialog has its caption before its controls exist: wait for the tree too.
    HWND window = nullptr;
    HWND tree = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            window = ::FindWindowW(MAKEINTATOM(0x8002), caption.c_str());
            tree = window ? ::GetDlgItem(window, IDC_TREE) : nullptr;
            return tree != nullptr;
        },
        30000))
        << "no settings window titled " << Narrow(caption);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return TreeView_GetCount(tree) > 0; }, 15000));

    DWORD processId = 0;
    ::GetWindowThreadProcessId(tree, &processId);
    base::UniqueHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    ASSERT_TRUE(process.valid());
    int shown = 0;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
        std::wstring name = RemoteItemText(tree, process.get(), item);
        EXPECT_TRUE(categories.count(name)) << "category " << Narrow(name) << " is not a text of " << Narrow(language);
        ++shown;
    }
    EXPECT_GT(shown, 0);
}

}  // namespace

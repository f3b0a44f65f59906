#include "core/start_menu_link.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/com_ptr.h"
#include "base/resource_module.h"

namespace {
CStringW Expand(const wchar_t* text) {
    wchar_t buffer[256] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text, buffer, 256);
    return n > 0 && n <= 256 ? CStringW(buffer) : CStringW();
}
}  // namespace

namespace ostrel {
CStringW StartMenuLinkPath(UINT stringId) {
    CStringW name = base::LoadResString(stringId);
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, folder)) || !folder[0]) {
        return CStringW();
    }
    CStringW path;
    path.Format(L"%s\\%s.lnk", folder, name.GetString());
    return path;
}
}  // namespace ostrel

void CreateStartMenuLink(UINT stringId, const wchar_t* arguments, int iconIndex) {
    CStringW linkPath = ostrel::StartMenuLinkPath(stringId);
    if (linkPath.IsEmpty()) return;
    CStringW target = Expand(L"%programfiles%\\Quor\\Ostrel\\Ostrel.exe");
    CStringW description;
    description.Format(L"@%%programfiles%%\\Quor\\Ostrel\\Ostrel.exe,-%u", stringId);
    description = Expand(description);

    base::ComInit com(COINIT_MULTITHREADED);
    {
        base::ComPtr<IShellLinkW> link;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()))) {
            return;
        }
        link->SetPath(target);
        base::ComPtr<IPersistFile> file;
        if (FAILED(link.As(IID_IPersistFile, file))) return;
        if (!target.IsEmpty()) {
            link->SetIconLocation(target, iconIndex);
            link->SetArguments(arguments);
            link->SetDescription(description);
            file->Save(linkPath, TRUE);
        }
    }
    ::SHSetLocalizedName(linkPath, target, static_cast<int>(stringId));
}

void DeleteStartMenuLink(UINT stringId) {
    CStringW linkPath = ostrel::StartMenuLinkPath(stringId);
    if (!linkPath.IsEmpty()) ::DeleteFileW(linkPath);
}

#include "settory/app_data.h"

#include <shlwapi.h>
#include <stdlib.h>

#include "base/handles.h"
#include "base/registry_reference.h"

namespace settory {
namespace {

constexpr DWORD kExpandChars = 1024;

CStringW Expand(const wchar_t* text) {
    wchar_t buffer[kExpandChars] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text, buffer, kExpandChars);
    // A result that does not fit is dropped rather than cut into some other, shorter path.
    if (n == 0 || n > kExpandChars) return CStringW();
    return CStringW(buffer);
}

ULONG ReadNumber(IXMLDOMNode* parent, const wchar_t* name) {
    base::ComPtr<IXMLDOMNode> element = FindChildElement(parent, name);
    if (!element) return 0;
    return static_cast<ULONG>(_wtol(CXMLParser::GetText(element.Get())));
}

CStringW ReadPlain(IXMLDOMNode* parent, const wchar_t* name) {
    base::ComPtr<IXMLDOMNode> element = FindChildElement(parent, name);
    return element ? CXMLParser::GetText(element.Get()) : CStringW();
}

// FALSE when the element or its text is missing, or its check string does not match; the field then
// holds the text as written (or stays empty).
bool ReadPath(IXMLDOMNode* parent, const wchar_t* name, CStringW* field) {
    base::ComPtr<IXMLDOMNode> node = FindChildElement(parent, name);
    if (!node) return false;
    CStringW text = CXMLParser::GetText(node.Get());
    if (text.IsEmpty()) return false;
    base::ComPtr<IXMLDOMElement> element;
    node.As(IID_IXMLDOMElement, element);
    CStringW check;
    if (CXMLParser::GetAttribute(element.Get(), L"Check", check) && !check.IsEmpty() &&
        PathCheckString(text).CompareNoCase(check) != 0) {
        *field = text;
        return false;
    }
    *field = ResolvePathText(text);
    return true;
}

}  // namespace

CStringW RegistrationFolder() { return Expand(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel\\"); }

CStringW RegistrationSchemaPath() {
    CStringW folder = RegistrationFolder();
    return folder.IsEmpty() ? CStringW() : folder + L"Schema files\\OSLSetting.xsd";
}

std::vector<CStringW> ListRegistrationFiles(const CStringW& folder) {
    std::vector<CStringW> files;
    if (folder.IsEmpty()) return files;
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(folder + L"*.xml", &data));
    if (!find) return files;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const wchar_t* extension = ::PathFindExtensionW(data.cFileName);
        if (_wcsicmp(extension, L".xml") != 0) continue;
        files.push_back(folder + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return files;
}

CStringW PathCheckString(const CStringW& text) {
    UINT32 lanes[4] = {};
    for (int i = 0; i < text.GetLength(); ++i) lanes[i % 4] ^= static_cast<UINT32>(text[i]);
    CStringW check;
    check.Format(L"%u-%u-%u-%u", lanes[0], lanes[1], lanes[2], lanes[3]);
    return check;
}

CStringW ResolvePathText(const CStringW& text) {
    if (text.Left(5) == L"HKEY_") return base::ResolveRegistryReference(text);
    if (!text.IsEmpty() && text[0] == L'%') return Expand(text);
    return text;
}

CStringW UiLanguageNameFor(LANGID language) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::LCIDToLocaleName(MAKELCID(language, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) <= 1) {
        return L"EN-US";
    }
    CStringW result(name);
    if (result.CompareNoCase(L"ZH-TW") == 0) return L"ZH-HK";
    return result;
}

CStringW UiLanguageName() { return UiLanguageNameFor(::GetUserDefaultUILanguage()); }

BOOL LoadTableString(HMODULE module, UINT id, CStringW* text) {
    text->Empty();
    if (!module || id > 0xFFFF) return FALSE;
    HRSRC block = ::FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), reinterpret_cast<LPCWSTR>(RT_STRING));
    if (!block) return FALSE;
    HGLOBAL loaded = ::LoadResource(module, block);
    DWORD size = ::SizeofResource(module, block);
    const WCHAR* data = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
    if (!data) return FALSE;
    // A block is 16 counted strings; every count is checked against what the resource really holds.
    size_t units = size / sizeof(WCHAR);
    size_t at = 0;
    for (UINT entry = 0; entry < id % 16; ++entry) {
        if (at >= units) return FALSE;
        at += 1 + data[at];
    }
    if (at >= units) return FALSE;
    size_t length = data[at];
    if (length == 0 || length > units - at - 1) return FALSE;
    *text = CStringW(data + at + 1, static_cast<int>(length));
    return TRUE;
}

CStringW CMUIObject::ReadLocalisedText(IXMLDOMNode* node) const {
    CStringW result;
    base::ComPtr<IXMLDOMElement> element;
    if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid()))) return result;

    CStringW stringPath;
    if (GetAttribute(element.Get(), L"StringPath", stringPath)) {
        int comma = stringPath.Find(L',');
        if (comma < 0) return result;
        CStringW module = stringPath.Left(comma).Trim();
        CStringW idText = stringPath.Mid(comma + 1).Trim();
        wchar_t* end = nullptr;
        long id = wcstol(idText, &end, 10);
        if (module.IsEmpty() || end == idText.GetString() || id < 0) return result;
        // Only the string table is wanted: the module is mapped as data and none of its code runs.
        base::UniqueModule library(::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (library) LoadTableString(library.get(), static_cast<UINT>(id), &result);
        return result;
    }

    base::ComPtr<IXMLDOMNode> child;
    for (HRESULT hr = node->get_firstChild(child.Put()); hr == S_OK && child;) {
        base::ComPtr<IXMLDOMElement> childElement;
        CStringW type;
        if (SUCCEEDED(child->QueryInterface(IID_IXMLDOMElement, childElement.PutVoid())) &&
            GetAttribute(childElement.Get(), L"Type", type)) {
            if (type.CompareNoCase(language_) == 0) return GetText(child.Get());
            // English stands in until the user's own language turns up, wherever it comes.
            if (type.CompareNoCase(L"EN-US") == 0) result = GetText(child.Get());
        }
        base::ComPtr<IXMLDOMNode> next;
        hr = child->get_nextSibling(next.Put());
        child = next;
    }
    return result;
}

int COSLAppData::LoadFile(const wchar_t* path, const wchar_t* schemaPath) {
    m_strFile = path ? path : L"";
    if (Initialise() != kXmlOk || SetSchema(schemaPath) != kXmlOk) return 1;
    if (Load(path) != kXmlOk || !Root()) return 1;
    IXMLDOMElement* root = Root();

    m_strOption = ReadPlain(root, L"AppOption");
    ReadPath(root, L"IconPath", &m_strIconPath);
    ReadPath(root, L"Folder", &m_strFolder);
    m_strName = ReadLocalisedText(FindChildElement(root, L"AppName").Get());
    m_strDescription = ReadLocalisedText(FindChildElement(root, L"Description").Get());
    if (!ReadPath(root, L"AppPath", &m_strAppPath)) return 1;

    m_ulCategory = ReadNumber(root, L"Category");
    m_ulIconIndex = ReadNumber(root, L"IconIndex");
    m_ulHide = ReadNumber(root, L"AppHide");

    if (base::ComPtr<IXMLDOMNode> help = FindChildElement(root, L"Help")) {
        m_ulHelpOption1 = ReadNumber(help.Get(), L"HelpOption1");
        m_ulHelpOption2 = ReadNumber(help.Get(), L"HelpOption2");
        m_strHelpPath = ReadLocalisedText(help.Get());
    }
    if (base::ComPtr<IXMLDOMNode> check = FindChildElement(root, L"AppCheck")) {
        m_strCheckFunc = ReadPlain(check.Get(), L"CheckFunc");
        m_ulCheckOption1 = ReadNumber(check.Get(), L"Option1");
        m_ulCheckOption2 = ReadNumber(check.Get(), L"Option2");
        ReadPath(check.Get(), L"CheckPath", &m_strCheckPath);
    }
    return 0;
}

base::ComPtr<IXMLDOMNode> FindChildElement(IXMLDOMNode* parent, const wchar_t* name) {
    base::ComPtr<IXMLDOMNode> child;
    if (!parent) return child;
    for (HRESULT hr = parent->get_firstChild(child.Put()); hr == S_OK && child;) {
        DOMNodeType type = NODE_INVALID;
        base::Bstr nodeName;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT &&
            SUCCEEDED(child->get_nodeName(nodeName.Put())) && wcscmp(nodeName.CStr(), name) == 0) {
            return child;
        }
        base::ComPtr<IXMLDOMNode> next;
        hr = child->get_nextSibling(next.Put());
        child = next;
    }
    child.Reset();
    return child;
}

BOOL PathNamesSomething(const CStringW& path) {
    CStringW bare = path;
    if (bare.GetLength() >= 2 && bare[0] == L'"' && bare[bare.GetLength() - 1] == L'"') {
        bare = bare.Mid(1, bare.GetLength() - 2);
    }
    if (bare.IsEmpty() || bare.Find(L'*') >= 0 || bare.Find(L'?') >= 0) return FALSE;
    return ::GetFileAttributesW(bare) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace settory

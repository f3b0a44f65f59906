#include "settory/xml_parser.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <string>

#include "base/handles.h"
#include "settory/msxml_ids.h"
#include "settory/named_objects.h"

namespace settory {
namespace {

void Diagnostic(const char* line) { ::OutputDebugStringA(line); }

bool EndsWithNoCase(const CStringW& text, const wchar_t* suffix) {
    int n = static_cast<int>(wcslen(suffix));
    return text.GetLength() >= n && _wcsicmp(text.GetString() + text.GetLength() - n, suffix) == 0;
}

bool IsFile(const wchar_t* path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const wchar_t* path, std::string& bytes) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxXmlFileBytes) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        return false;
    }
    return true;
}

// Settings documents never carry a document type declaration; refusing one before the parser sees it
// keeps entity expansion and external fetches out whatever the parser's own settings do.
bool HasDoctype(const std::string& bytes) {
    static const char kNarrow[] = "<!DOCTYPE";
    if (bytes.find(kNarrow) != std::string::npos) return true;
    std::string wide;
    for (const char* p = kNarrow; *p; ++p) {
        wide.push_back(*p);
        wide.push_back('\0');
    }
    return bytes.find(wide) != std::string::npos;
}

// A byte array, so the file is read once and the bytes that were checked are the bytes parsed.
bool MakeByteArray(const std::string& bytes, VARIANT& out) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) return false;
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data))) {
        ::SafeArrayDestroy(array);
        return false;
    }
    if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    ::SafeArrayUnaccessData(array);
    V_VT(&out) = VT_ARRAY | VT_UI1;
    V_ARRAY(&out) = array;
    return true;
}

bool CreateFolderOpenToAll(const CStringW& folder) {
    OpenToAll security;
    return ::CreateDirectoryW(folder, security.Attributes()) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// Grants Users full access to the open file, keeping its other entries. Through the handle, so that
// the file is not looked up by name twice more on every save.
bool GrantUsersAccessTo(HANDLE file) {
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    base::UniqueLocal descriptorOwner(descriptor);
    base::UniqueLocal dacl = UsersFullAccessDacl(current);
    return dacl && ::SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                     static_cast<PACL>(dacl.get()), nullptr) == ERROR_SUCCESS;
}

// Flushes the file to disk, checks that a later load will accept its size, and tells what identifies
// it: a rename keeps its index, size and write time. Users are granted access on the way when the
// handle allows it (*granted).
bool FlushAndCheck(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info, bool& granted) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_WRITE | READ_CONTROL | WRITE_DAC, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    granted = file && GrantUsersAccessTo(file.get());
    if (!file) {
        file.reset(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    }
    return file && ::FlushFileBuffers(file.get()) && ::GetFileInformationByHandle(file.get(), &info) &&
           ((static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow) <= kMaxXmlFileBytes;
}

}  // namespace

int CXMLParser::Initialise() {
    if (initialised_) return kXmlOk;
    // The stores may be first used on a thread that never initialised COM; one in the other apartment
    // model answers RPC_E_CHANGED_MODE and is used as it is.
    ::CoInitialize(nullptr);
    HRESULT hr = ::CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                    document_.PutVoid());
    if (FAILED(hr) || !document_) {
        Diagnostic("Failed to instantiate an XML DOM.\n");
        return kXmlNotInitialised;
    }
    document_->put_async(VARIANT_FALSE);
    document_->put_validateOnParse(VARIANT_FALSE);
    document_->put_resolveExternals(VARIANT_FALSE);
    base::Bstr prohibit(L"ProhibitDTD");
    VARIANT yes;
    V_VT(&yes) = VT_BOOL;
    V_BOOL(&yes) = VARIANT_TRUE;
    document_->setProperty(prohibit.Get(), yes);
    initialised_ = true;
    Diagnostic("Successed to instantiate an XML DOM.\n");
    return kXmlOk;
}

int CXMLParser::SetSchema(const wchar_t* path) {
    CStringW candidate(path);
    if (!EndsWithNoCase(candidate, L".xsd") || !IsFile(candidate)) return kXmlBadSchemaPath;
    schemaPath_ = candidate;
    return kXmlOk;
}

int CXMLParser::Load(const wchar_t* path) {
    if (!initialised_) return kXmlNotInitialised;
    root_.Reset();
    std::string bytes;
    if (!path || !ReadWholeFile(path, bytes) || HasDoctype(bytes)) return kXmlLoadFailed;
    base::Variant source;
    if (!MakeByteArray(bytes, *source.Get())) return kXmlLoadFailed;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document_->load(*source.Get(), &loaded);
    base::ComPtr<IXMLDOMDocumentType> doctype;
    if (SUCCEEDED(hr) && loaded == VARIANT_TRUE) document_->get_doctype(doctype.Put());
    if (FAILED(hr) || loaded != VARIANT_TRUE || doctype) {
        (void)Clear();
        return kXmlLoadFailed;
    }
    int valid = Validate();
    if (valid != kXmlOk) {
        (void)Clear();
        return valid;
    }
    document_->get_documentElement(root_.Put());
    return kXmlOk;
}

int CXMLParser::Validate() {
    if (!initialised_) return kXmlNotInitialised;
    if (schemaPath_.IsEmpty()) return kXmlNoSchema;
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    bool known = ::GetFileAttributesExW(schemaPath_, GetFileExInfoStandard, &file) != 0;
    bool current = schemas_ && known && schemasPath_ == schemaPath_ &&
                   ::CompareFileTime(&file.ftLastWriteTime, &schemasFile_.ftLastWriteTime) == 0 &&
                   file.nFileSizeLow == schemasFile_.nFileSizeLow && file.nFileSizeHigh == schemasFile_.nFileSizeHigh;
    if (!current) {
        schemas_.Reset();
        base::ComPtr<IXMLDOMSchemaCollection2> schemas;
        HRESULT hr = ::CoCreateInstance(kClsidXmlSchemaCache60, nullptr, CLSCTX_SERVER, kIidXmlDomSchemaCollection2,
                                        schemas.PutVoid());
        if (FAILED(hr) || !schemas) return kXmlNoSchema;
        base::Bstr noNamespace(L"");
        base::Variant location;
        V_VT(location.Get()) = VT_BSTR;
        V_BSTR(location.Get()) = ::SysAllocString(schemaPath_);
        if (FAILED(schemas->add(noNamespace.Get(), *location.Get()))) return kXmlInvalid;
        schemas_ = schemas;
        // Stamped before it was compiled: a schema replaced meanwhile is compiled again next time.
        schemasPath_ = known ? schemaPath_ : CStringW();
        schemasFile_ = file;
    }

    VARIANT attach;
    V_VT(&attach) = VT_DISPATCH;
    V_DISPATCH(&attach) = schemas_.Get();
    if (FAILED(document_->putref_schemas(attach))) return kXmlInvalid;

    base::ComPtr<IXMLDOMParseError> error;
    HRESULT hr = document_->validate(error.Put());
    // Wine answers an invalid document with S_FALSE and an empty reason, so anything but S_OK fails.
    if (hr != S_OK) return kXmlInvalid;
    if (error) {
        base::Bstr reason;
        if (SUCCEEDED(error->get_reason(reason.Put())) && reason.Get() && *reason.Get()) return kXmlInvalid;
    }
    return kXmlOk;
}

int CXMLParser::Save(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* savedAs) {
    if (!initialised_) return kXmlNotInitialised;
    CStringW target(path);
    int slash = target.ReverseFind(L'\\');
    if (slash > 0) {
        CStringW folder = target.Left(slash);
        DWORD attributes = ::GetFileAttributesW(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES && !CreateFolderOpenToAll(folder)) return kXmlFolderFailed;
    }

    // The document goes to a file beside the target, reaches the disk, and only then takes the
    // target's name in one rename: a writer killed at any moment leaves the old file or the new one.
    CStringW temporary = target + L".tmp";
    base::Variant destination;
    V_VT(destination.Get()) = VT_BSTR;
    V_BSTR(destination.Get()) = ::SysAllocString(temporary);
    BY_HANDLE_FILE_INFORMATION info = {};
    bool granted = false;
    bool saved = SUCCEEDED(document_->save(*destination.Get())) && FlushAndCheck(temporary, info, granted) &&
                 ::MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!saved) ::DeleteFileW(temporary);
    if (!(saved && granted) && IsFile(target)) GrantUsersAccess(target);
    if (saved && savedAs) *savedAs = info;
    Diagnostic(saved ? "XML DOM saved to myData.xml.\n" : "Failed to save DOM to myStocks.xml.\n");
    return saved ? kXmlOk : kXmlSaveFailed;
}

int CXMLParser::Clear() {
    root_.Reset();
    if (!document_) return kXmlOk;
    for (;;) {
        base::ComPtr<IXMLDOMNode> child;
        HRESULT hr = document_->get_firstChild(child.Put());
        if (FAILED(hr)) return kXmlClearFailed;
        if (hr == S_FALSE || !child) return kXmlOk;
        base::ComPtr<IXMLDOMNode> removed;
        if (FAILED(document_->removeChild(child.Get(), removed.Put()))) return kXmlClearFailed;
    }
}

bool CXMLParser::CreateRoot(const wchar_t* name) {
    if (!initialised_) return false;
    base::Bstr target(L"xml");
    base::Bstr data(L"version='1.0' encoding='UTF-8'");
    base::ComPtr<IXMLDOMProcessingInstruction> declaration;
    base::ComPtr<IXMLDOMNode> appended;
    if (FAILED(document_->createProcessingInstruction(target.Get(), data.Get(), declaration.Put())) ||
        FAILED(document_->appendChild(declaration.Get(), appended.Put()))) {
        return false;
    }
    base::Bstr tag(name);
    base::ComPtr<IXMLDOMElement> element;
    if (FAILED(document_->createElement(tag.Get(), element.Put())) ||
        FAILED(document_->appendChild(element.Get(), appended.Put()))) {
        return false;
    }
    root_ = element;
    return true;
}

base::ComPtr<IXMLDOMElement> CXMLParser::CreateChildElement(IXMLDOMElement* parent, const wchar_t* name) {
    return CreateChildElementWithText(parent, name, L"\n\t");
}

base::ComPtr<IXMLDOMElement> CXMLParser::CreateChildElementWithText(IXMLDOMElement* parent, const wchar_t* name,
                                                                    const wchar_t* text) {
    base::ComPtr<IXMLDOMElement> element;
    if (!initialised_ || !parent) return element;
    base::Bstr tag(name);
    base::ComPtr<IXMLDOMNode> appended;
    if (FAILED(document_->createElement(tag.Get(), element.Put())) || !SetText(element.Get(), text) ||
        FAILED(parent->appendChild(element.Get(), appended.Put()))) {
        element.Reset();
    }
    return element;
}

bool CXMLParser::GetAttribute(IXMLDOMElement* element, const wchar_t* name, CStringW& value) {
    if (!element) return false;
    base::Bstr attribute(name);
    base::Variant result;
    if (element->getAttribute(attribute.Get(), result.Get()) != S_OK || V_VT(result.Get()) != VT_BSTR) return false;
    value = V_BSTR(result.Get()) ? V_BSTR(result.Get()) : L"";
    return true;
}

bool CXMLParser::SetAttribute(IXMLDOMElement* element, const wchar_t* name, const wchar_t* value) {
    if (!element) return false;
    base::Bstr attribute(name);
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = ::SysAllocString(value ? value : L"");
    HRESULT hr = element->setAttribute(attribute.Get(), text);
    ::VariantClear(&text);
    return SUCCEEDED(hr);
}

CStringW CXMLParser::GetText(IXMLDOMNode* node) {
    base::Bstr text;
    if (!node || FAILED(node->get_text(text.Put()))) return CStringW();
    return CStringW(text.CStr());
}

bool CXMLParser::SetText(IXMLDOMNode* node, const wchar_t* text) {
    if (!node) return false;
    base::Bstr value(text ? text : L"");
    return SUCCEEDED(node->put_text(value.Get()));
}

base::UniqueLocal UsersFullAccessDacl(PACL current) {
    PSID users = nullptr;
    if (!::ConvertStringSidToSidW(L"S-1-5-32-545", &users)) return base::UniqueLocal();
    base::UniqueLocal usersOwner(users);
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = 0x1F01FF;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(users);
    PACL dacl = nullptr;
    if (::SetEntriesInAclW(1, &access, current, &dacl) != ERROR_SUCCESS) return base::UniqueLocal();
    return base::UniqueLocal(dacl);
}

bool GrantUsersAccess(const wchar_t* path) {
    base::UniqueFile file(::CreateFileW(path, READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && GrantUsersAccessTo(file.get());
}

}  // namespace settory

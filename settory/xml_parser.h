#pragma once
// CXMLParser: one MSXML 6 document with the few operations the settings service needs. Not safe for
// concurrent use; the stores that own one serialise access.
#include <windows.h>
#include <msxml2.h>

#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/cstringw.h"

namespace settory {

// Result codes of the document operations.
enum XmlResult : int {
    kXmlOk = 0,
    kXmlNotInitialised = 1,
    kXmlClearFailed = 2,
    kXmlLoadFailed = 3,
    kXmlSaveFailed = 4,
    kXmlInvalid = 9,
    kXmlNoSchema = 10,
    kXmlBadSchemaPath = 14,
    kXmlFolderFailed = 17,
};

// Files larger than this are refused before parsing (no settings document comes near it, and a
// runaway file must not take the service's memory); a save that would produce one fails instead, so
// the service never writes a file it would not read back.
constexpr DWORD kMaxXmlFileBytes = 64 * 1024 * 1024;

class CXMLParser {
public:
    CXMLParser() = default;
    virtual ~CXMLParser() = default;
    CXMLParser(const CXMLParser&) = delete;
    CXMLParser& operator=(const CXMLParser&) = delete;

    [[nodiscard]] int Initialise();
    [[nodiscard]] int SetSchema(const wchar_t* path);
    [[nodiscard]] int Load(const wchar_t* path);
    [[nodiscard]] int Validate();
    // savedAs, when given, receives what identifies the file saved (its index, size and write time).
    [[nodiscard]] int Save(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* savedAs = nullptr);
    [[nodiscard]] int Clear();

    bool CreateRoot(const wchar_t* name);
    base::ComPtr<IXMLDOMElement> CreateChildElement(IXMLDOMElement* parent, const wchar_t* name);
    base::ComPtr<IXMLDOMElement> CreateChildElementWithText(IXMLDOMElement* parent, const wchar_t* name,
                                                            const wchar_t* text);
    static bool GetAttribute(IXMLDOMElement* element, const wchar_t* name, CStringW& value);
    static bool SetAttribute(IXMLDOMElement* element, const wchar_t* name, const wchar_t* value);
    static CStringW GetText(IXMLDOMNode* node);
    static bool SetText(IXMLDOMNode* node, const wchar_t* text);

    bool IsInitialised() const noexcept { return initialised_; }
    IXMLDOMElement* Root() const noexcept { return root_.Get(); }
    IXMLDOMDocument2* Document() const noexcept { return document_.Get(); }
    const CStringW& SchemaPath() const noexcept { return schemaPath_; }

private:
    base::ComPtr<IXMLDOMDocument2> document_;
    bool initialised_ = false;
    CStringW schemaPath_;
    base::ComPtr<IXMLDOMElement> root_;
    // The compiled schema, kept for the next load of the same kind of file while the schema file is
    // unchanged: listeners load the current settings after every save announced.
    base::ComPtr<IXMLDOMSchemaCollection2> schemas_;
    CStringW schemasPath_;
    WIN32_FILE_ATTRIBUTE_DATA schemasFile_ = {};
};

// Grants the built-in Users group full access to a file, keeping its other access entries: a file
// saved by one user's process must stay writable by the next user's.
bool GrantUsersAccess(const wchar_t* path);
// The access list that grant sets: current's entries and full access for Users. Empty on failure.
base::UniqueLocal UsersFullAccessDacl(PACL current);

}  // namespace settory

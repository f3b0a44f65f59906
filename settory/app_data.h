#pragma once
// Application registration files: one XML file per application in the product data folder, read into
// a COSLAppData. The folder is writable by every user, so everything read here is untrusted text; the
// reader only resolves it, and the main program decides what it may load or start.
#include <windows.h>

#include <vector>

#include "settory/xml_parser.h"

namespace settory {

// "%ALLUSERSPROFILE%\Quor Corporation\Ostrel\" and the schema in its "Schema files" folder.
CStringW RegistrationFolder();
CStringW RegistrationSchemaPath();

// Full paths of the "*.xml" files directly in folder (ending in "\"), in the order the file system
// lists them. Only names whose extension is exactly ".xml" count: a wildcard search also matches
// longer extensions through their short names.
std::vector<CStringW> ListRegistrationFiles(const CStringW& folder);

// The check string of a path text: four 32-bit lanes, code unit i folded into lane i mod 4 by
// exclusive or, written "%u-%u-%u-%u".
CStringW PathCheckString(const CStringW& text);

// A path text with its reference resolved: "HKEY_<root>\<key>\<value>" gives the registry value,
// a leading "%" expands environment variables, anything else is kept. A reference that cannot be
// resolved, or whose result does not fit 1024 characters, gives an empty text.
CStringW ResolvePathText(const CStringW& text);

// The language name localised texts are chosen by: from the user's default UI language, "EN-US" when
// it has none; "ZH-TW" is read as "ZH-HK".
CStringW UiLanguageName();
CStringW UiLanguageNameFor(LANGID language);

// String id of a string table read straight from the resource data, so that a module with a short or
// inconsistent table gives an empty text instead of a read past its end. FALSE when missing.
BOOL LoadTableString(HMODULE module, UINT id, CStringW* text);

// A document with the two kinds of localised text: by string resource or by language children.
class CMUIObject : public CXMLParser {
public:
    CMUIObject() : language_(UiLanguageName()) {}
    const CStringW& LanguageName() const noexcept { return language_; }
    void SetLanguageName(const wchar_t* name) { language_ = name; }

protected:
    // The element's localised text; empty when it has neither a usable string resource nor a child for
    // the language or "EN-US".
    CStringW ReadLocalisedText(IXMLDOMNode* element) const;

private:
    CStringW language_;
};

// One registration file.
class COSLAppData : public CMUIObject {
public:
    // 0 when the file validates and its application path can be read, else 1.
    [[nodiscard]] int LoadFile(const wchar_t* path, const wchar_t* schemaPath);

    CStringW m_strFile;
    CStringW m_strName;
    CStringW m_strDescription;
    CStringW m_strAppPath;
    CStringW m_strOption;
    CStringW m_strFolder;
    CStringW m_strIconPath;
    ULONG m_ulIconIndex = 0;
    CStringW m_strHelpPath;
    ULONG m_ulHelpOption1 = 0;
    ULONG m_ulHelpOption2 = 0;
    CStringW m_strCheckPath;
    CStringW m_strCheckFunc;
    ULONG m_ulCheckOption1 = 0;
    ULONG m_ulCheckOption2 = 0;
    ULONG m_ulCategory = 0;
    ULONG m_ulHide = 0;
};

// The first child element of parent with exactly that name, or null.
base::ComPtr<IXMLDOMNode> FindChildElement(IXMLDOMNode* parent, const wchar_t* name);

// TRUE when a file or folder of that name exists. Surrounding double quotes are ignored, as they are
// when the path is started; a pattern with wildcards names nothing.
BOOL PathNamesSomething(const CStringW& path);

}  // namespace settory

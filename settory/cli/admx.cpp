#include "settory/cli/admx.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <set>

#include "settory/cli/page_names.h"
#include "settory/cli/service_values.h"
#include "settory/cli/xml_text.h"
#include "settory/policy.h"

namespace settorycli {
namespace {

constexpr const wchar_t kNamespace[] = L"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";
// Largest value a setting holds as a 32-bit signed integer, the type the default schema gives ids
// and the service converts values to; policy numbers are unsigned, so negatives are out of reach.
constexpr const wchar_t kMaxDecimal[] = L"2147483647";
constexpr int kMaxTextLength = 255;

enum class Kind { Boolean, Decimal, Text };

// The element that fits the default: a check box for 0/1, a number for other non-negative integers,
// a text for everything else (a negative number cannot be written as a policy number).
Kind KindOf(const std::wstring& value) {
    if (value == L"0" || value == L"1") return Kind::Boolean;
    if (settory::policy::TakesNumber(value.c_str()) && value[0] != L'-') return Kind::Decimal;
    return Kind::Text;
}

// Template names allow letters, digits and "_" only.
std::wstring NamePart(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text) out += (iswalnum(ch) ? ch : L'_');
    return out;
}

std::wstring CategoryName(const std::wstring& classId) { return L"Page_" + NamePart(classId); }

std::wstring PolicyName(const SettingName& s) {
    return L"Setting_" + NamePart(s.classId) + L"_" + (s.settingId < 0 ? L"m" : L"") +
           std::to_wstring(s.settingId < 0 ? -static_cast<long long>(s.settingId) : s.settingId);
}

std::wstring Str(const std::wstring& id, const std::wstring& text) {
    return L"      <string id=\"" + id + L"\">" + XmlEscape(text) + L"</string>\n";
}

std::wstring ElementXml(Kind kind, const std::wstring& valueName) {
    std::wstring named = L"id=\"Value\" valueName=\"" + valueName + L"\"";
    switch (kind) {
    case Kind::Boolean:
        return L"        <boolean " + named + L">\n"
               L"          <trueValue><decimal value=\"1\"/></trueValue>\n"
               L"          <falseValue><decimal value=\"0\"/></falseValue>\n"
               L"        </boolean>\n";
    case Kind::Decimal:
        return L"        <decimal " + named + L" required=\"true\" minValue=\"0\" maxValue=\"" + kMaxDecimal + L"\"/>\n";
    case Kind::Text:
    default:
        return L"        <text " + named + L" required=\"true\" maxLength=\"" + std::to_wstring(kMaxTextLength) +
               L"\"/>\n";
    }
}

std::wstring PresentationXml(const std::wstring& id, Kind kind, const std::wstring& defaults) {
    std::wstring p = L"      <presentation id=\"" + id + L"\">\n";
    switch (kind) {
    case Kind::Boolean:
        p += std::wstring(L"        <checkBox refId=\"Value\" defaultChecked=\"") + (defaults == L"1" ? L"true" : L"false") +
             L"\">On</checkBox>\n";
        break;
    case Kind::Decimal:
        p += L"        <decimalTextBox refId=\"Value\" defaultValue=\"" + XmlEscape(defaults) + L"\">Value</decimalTextBox>\n";
        break;
    case Kind::Text:
        p += L"        <textBox refId=\"Value\"><label>Value</label><defaultValue>" + XmlEscape(defaults) +
             L"</defaultValue></textBox>\n";
        break;
    }
    return p + L"      </presentation>\n";
}

}  // namespace

PolicyTemplates MakePolicyTemplates(const std::vector<SettingName>& settings,
                                    const std::map<std::wstring, std::wstring>& pageNames) {
    std::wstring categories = L"    <category name=\"Ostrel\" displayName=\"$(string.Ostrel)\"/>\n";
    std::wstring policies;
    std::wstring strings = Str(L"Ostrel", L"Ostrel settings") + Str(L"SupportedOstrel", L"Laptops with Ostrel installed");
    std::wstring presentations;
    std::set<std::wstring> seenClasses;
    for (const SettingName& s : settings) {
        auto page = pageNames.find(s.classId);
        std::wstring pageName = page != pageNames.end() ? page->second : L"Settings of class " + s.classId;
        std::wstring category = CategoryName(s.classId);
        if (seenClasses.insert(s.classId).second) {
            categories += L"    <category name=\"" + category + L"\" displayName=\"$(string." + category +
                          L")\">\n      <parentCategory ref=\"Ostrel\"/>\n    </category>\n";
            strings += Str(category, pageName);
        }
        std::wstring name = PolicyName(s);
        Kind kind = KindOf(s.firstDefault);
        // Where the service reads it: the class's key, the setting id in decimal as the value name.
        std::wstring key = std::wstring(settory::policy::kPolicyKey) + L"\\" + s.classId;
        std::wstring valueName = std::to_wstring(s.settingId);
        std::wstring element = ElementXml(kind, valueName);
        policies += L"    <policy name=\"" + name + L"\" class=\"Both\" displayName=\"$(string." + name +
                    L")\" explainText=\"$(string." + name + L"_Explain)\" presentation=\"$(presentation." + name +
                    L")\" key=\"" + XmlEscape(key) + L"\">\n      <parentCategory ref=\"" + category +
                    L"\"/>\n      <supportedOn ref=\"SupportedOstrel\"/>\n      <elements>\n" + element +
                    L"      </elements>\n    </policy>\n";
        strings += Str(name, pageName + L": setting " + valueName);
        strings += Str(name + L"_Explain",
                       L"Fixes setting " + valueName + L" of the page \"" + pageName + L"\" (class " + s.classId +
                           L") for every user. While the policy is enabled the value given here is used, the page "
                           L"shows the setting as managed by your organisation, and changes to it are not stored; "
                           L"a policy for the computer wins over one for the user. When the policy is not "
                           L"configured, each user's own value applies again.\n\nDefault value: " +
                           s.firstDefault + L"\nRegistry value: " + key + L"\\" + valueName);
        presentations += PresentationXml(name, kind, s.firstDefault);
    }

    PolicyTemplates t;
    t.admx = std::wstring(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<policyDefinitions xmlns=\"") + kNamespace +
             L"\" revision=\"1.0\" schemaVersion=\"1.0\">\n"
             L"  <policyNamespaces>\n    <target prefix=\"ostrel\" namespace=\"Quor.Policies.Ostrel\"/>\n"
             L"  </policyNamespaces>\n  <resources minRequiredRevision=\"1.0\"/>\n"
             L"  <supportedOn>\n    <definitions>\n"
             L"      <definition name=\"SupportedOstrel\" displayName=\"$(string.SupportedOstrel)\"/>\n"
             L"    </definitions>\n  </supportedOn>\n  <categories>\n" +
             categories + L"  </categories>\n" +
             (policies.empty() ? L"" : L"  <policies>\n" + policies + L"  </policies>\n") + L"</policyDefinitions>\n";
    t.adml = std::wstring(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<policyDefinitionResources xmlns=\"") +
             kNamespace +
             L"\" revision=\"1.0\" schemaVersion=\"1.0\">\n  <displayName>Ostrel settings</displayName>\n"
             L"  <description>Settings of the Ostrel settings centre, fixed by the organisation.</description>\n"
             L"  <resources>\n    <stringTable>\n" +
             strings + L"    </stringTable>\n" +
             (presentations.empty() ? L"" : L"    <presentationTable>\n" + presentations + L"    </presentationTable>\n") +
             L"  </resources>\n</policyDefinitionResources>\n";
    return t;
}

int WritePolicyTemplates(const std::wstring& outDir) {
    auto settings = ListDefaultSettings();
    if (settings.empty()) {
        fputs("settory: no default settings are installed (DefaultSetting*.xml)\n", stderr);
        return 3;
    }
    PolicyTemplates t = MakePolicyTemplates(settings, CataloguePageNames());
    // The folder maker takes full paths only.
    wchar_t full[MAX_PATH] = {};
    DWORD n = ::GetFullPathNameW(outDir.c_str(), MAX_PATH, full, nullptr);
    std::wstring folder = n > 0 && n < MAX_PATH ? std::wstring(full) : outDir;
    std::wstring language = folder + L"\\en-US";
    int made = ::SHCreateDirectoryExW(nullptr, language.c_str(), nullptr);
    if ((made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) ||
        !WriteUtf8File(folder + L"\\Ostrel.admx", t.admx) || !WriteUtf8File(language + L"\\Ostrel.adml", t.adml)) {
        fputs(("settory: cannot write the templates into " + Utf8(outDir) + "\n").c_str(), stderr);
        return 73;
    }
    fputs(("wrote " + Utf8(folder) + "\\Ostrel.admx and " + Utf8(language) + "\\Ostrel.adml\n").c_str(), stdout);
    return 0;
}

}  // namespace settorycli

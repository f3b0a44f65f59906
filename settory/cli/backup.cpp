#include "settory/cli/backup.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "settory/cli/catalogue.h"
#include "settory/cli/service_values.h"
#include "settory/cli/xml_text.h"
#include "settory/dom_children.h"
#include "settory/settings_store.h"
#include "settory/values.h"
#include "settory/xml_parser.h"

namespace settorycli {
namespace {

// An export of every setting a machine has stays far below this; a larger file is not ours.
constexpr LONGLONG kMaxImportBytes = 4 * 1024 * 1024;

void Line(FILE* stream, const std::wstring& text) {
    fputs(Utf8(text + L"\n").c_str(), stream);
    fflush(stream);
}

struct Entry {
    std::wstring classId;
    int settingId;
    std::wstring value;
};

std::wstring Name(const Entry& e) { return e.classId + L"\t" + std::to_wstring(e.settingId); }

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Every value of the file, or false with the reason: the whole file is checked before anything is
// stored, so a file that fails anywhere changes nothing.
bool ReadExport(const std::wstring& path, std::vector<Entry>* entries, std::wstring* reason) {
    LONGLONG size = FileSize(path);
    if (size < 0) return *reason = L"cannot read " + path, false;
    if (size > kMaxImportBytes) return *reason = L"file is larger than any settings export", false;
    settory::CXMLParser document;
    if (document.Initialise() != settory::kXmlOk) return *reason = L"no XML parser", false;
    CStringW schema = settory::ProductFolder() + L"Schema files\\SettingsExport.xsd";
    if (document.SetSchema(schema) != settory::kXmlOk) return *reason = L"schema missing: " + std::wstring(schema), false;
    if (document.Load(path.c_str()) != settory::kXmlOk) {
        return *reason = L"not a valid settings export (SettingsExport.xsd)", false;
    }
    bool good = true;
    settory::ForEachChildElement(document.Root(), [&](const base::ComPtr<IXMLDOMElement>& cls) {
        CStringW classId;
        settory::CXMLParser::GetAttribute(cls.Get(), L"ClassID", classId);
        if (!settory::IsWellFormedClassId(classId)) {
            *reason = L"malformed class id \"" + std::wstring(classId) + L"\"";
            good = false;
        }
        settory::ForEachChildElement(cls.Get(), [&](const base::ComPtr<IXMLDOMElement>& setting) {
            CStringW idText;
            settory::CXMLParser::GetAttribute(setting.Get(), L"SettingID", idText);
            Entry entry{classId.GetString(), 0, settory::CXMLParser::GetText(setting.Get()).GetString()};
            if (!ParseSettingId(idText.GetString(), &entry.settingId)) {
                *reason = L"setting id \"" + std::wstring(idText) + L"\" is not as the service writes it";
                good = false;
            }
            entries->push_back(std::move(entry));
        });
    });
    return good;
}

}  // namespace

int ExportSettings(ISettory* settory, const std::wstring& path) {
    auto names = ListDefaultSettings();
    if (names.empty()) return 3;
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SettingsExport Version=\"1\">\n";
    std::wstring openClass;
    int count = 0;
    for (const auto& name : names) {
        std::wstring defaults, current;
        if (ReadDefault(settory, name.classId, name.settingId, &defaults) != 0) continue;
        HRESULT r = ReadCurrent(settory, name.classId, name.settingId, &current);
        if (r == 9) return r;
        // A value fixed by policy is the organisation's, not the person's.
        if (r != 0 || current == defaults || IsLockedByPolicy(settory, name.classId, name.settingId)) continue;
        if (name.classId != openClass) {
            if (!openClass.empty()) xml += L"  </Class>\n";
            xml += L"  <Class ClassID=\"" + XmlEscape(name.classId) + L"\">\n";
            openClass = name.classId;
        }
        xml += L"    <Setting SettingID=\"" + std::to_wstring(name.settingId) + L"\">" + XmlEscape(current) +
               L"</Setting>\n";
        ++count;
    }
    if (!openClass.empty()) xml += L"  </Class>\n";
    xml += L"</SettingsExport>\n";
    if (!WriteUtf8File(path, xml)) {
        Line(stderr, L"settory: cannot write " + path);
        return kExportNotWritten;
    }
    Line(stdout, L"exported " + std::to_wstring(count) + L" settings to " + path);
    return 0;
}

int ImportSettings(ISettory* settory, const std::wstring& path) {
    std::vector<Entry> entries;
    std::wstring reason;
    if (!ReadExport(path, &entries, &reason)) {
        Line(stderr, L"settory: " + path + L": " + reason + L"; nothing was changed");
        return kImportInvalid;
    }
    std::vector<std::wstring> report;
    int applied = 0, skipped = 0, refused = 0;
    for (const Entry& e : entries) {
        std::wstring defaults;
        HRESULT r = ReadDefault(settory, e.classId, e.settingId, &defaults);
        if (r == 3) return r;
        if (r == 4) {
            report.push_back(L"skipped\t" + Name(e) + L"\tunknown on this model");
            ++skipped;
        } else if (r != 0) {
            return r;
        } else if (IsLockedByPolicy(settory, e.classId, e.settingId)) {
            report.push_back(L"skipped\t" + Name(e) + L"\tlocked by policy");
            ++skipped;
        } else if (IsIntegerText(defaults) && !IsIntegerText(e.value)) {
            // The pages read a number there: a text would reach them as 0.
            report.push_back(L"refused\t" + Name(e) + L"\tnot a whole number");
            ++refused;
        } else {
            settory->SetCurrentValueEx(e.classId.c_str(), e.settingId, e.value.c_str());
            report.push_back(L"applied\t" + Name(e) + L"\t" + e.value);
            ++applied;
        }
    }
    if (applied > 0) {
        HRESULT r = settory->UpdateCurrentSetting();
        if (r != 0) return r;
    }
    for (const auto& line : report) Line(stdout, line);
    Line(stdout, L"applied " + std::to_wstring(applied) + L", skipped " + std::to_wstring(skipped) + L", refused " +
                     std::to_wstring(refused));
    return 0;
}

}  // namespace settorycli

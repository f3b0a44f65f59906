#include "catalogue/start_location.h"

#include "base/resource_module.h"
#include "catalogue/probe_location.h"
#include "catalogue/registered_application.h"
#include "resource.h"

namespace ostrel {
namespace {

// As Launch hands it on: only the quotes around it go.
CStringW Unquoted(CStringW path) {
    path.Trim(L'"');
    return path;
}

// Never empty, since empty means "allowed": without its text the path alone is shown.
CStringW Refusal(UINT textId, const CStringW& path) {
    CStringW format = base::LoadResString(textId);
    if (format.Find(L"%s") < 0) format = L"%s";
    CStringW text;
    text.Format(format, path.GetString());
    return text.IsEmpty() ? CStringW(L"?") : text;
}

}  // namespace

CStringW LaunchRefusal(const CRegisteredApplication& entry) {
    if (entry.GetEntryType() != ENTRY_XML_APP) return CStringW();
    CStringW program = Unquoted(entry.m_strAppPath);
    if (!IsTrustedProbeLocation(program)) return Refusal(IDS_UNTRUSTED_PROGRAM, program);
    // A trusted program started in a folder anyone can write may still load what was planted there.
    CStringW folder = Unquoted(entry.m_strFolder);
    while (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == L'\\') folder = folder.Left(folder.GetLength() - 1);
    // The folder passes when a file directly inside it would: a trusted folder itself is a fine place.
    if (!folder.IsEmpty() && !IsTrustedProbeLocation(folder + L"\\file")) return Refusal(IDS_UNTRUSTED_PROGRAM, folder);
    return CStringW();
}

CStringW HelpRefusal(const CRegisteredApplication& entry, const CStringW& helpFile) {
    if (entry.GetEntryType() != ENTRY_XML_APP) return CStringW();
    // "file.chm::/topic.htm" opens a page inside the file: the file is what is judged.
    int topic = helpFile.Find(L"::");
    CStringW file = topic > 0 ? helpFile.Left(topic) : helpFile;
    return IsTrustedProbeLocation(file) ? CStringW() : Refusal(IDS_UNTRUSTED_HELP, file);
}

}  // namespace ostrel

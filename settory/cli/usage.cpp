#include "settory/cli/usage.h"

namespace settorycli {
namespace {

struct Command {
    const wchar_t* name;
    const wchar_t* synopsis;
    const wchar_t* description;
    const wchar_t* example;
};

const Command kCommands[] = {
    {L"get", L"settory get CLASSID SETTINGID [--xml]",
     L"Prints the current value of one setting (the default when none was stored). A setting an\n"
     L"  administrator locked by policy prints its value, a tab and \"locked by machine policy\" (or user).",
     L"settory get 5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E 1"},
    {L"set", L"settory set CLASSID SETTINGID VALUE",
     L"Stores a current value, as the settings window's Apply does; running pages follow it.\n"
     L"  A setting locked by policy is refused with exit code 77.",
     L"settory set 5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E 1 0"},
    {L"defaults", L"settory defaults CLASSID [SETTINGID]",
     L"Prints the default value of one setting, or \"SETTINGID<tab>VALUE\" for every setting of the class.",
     L"settory defaults 5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E"},
    {L"list", L"settory list [CLASSID] [--xml]",
     L"Prints every setting of this machine, one per line: class id, page name (empty when no page\n"
     L"  shows the class), setting id, default value, current value, and \"locked by ... policy\" for\n"
     L"  settings an administrator locked.",
     L"settory list --xml > settings.xml"},
    {L"watch", L"settory watch [CLASSID SETTINGID]... [--count N]",
     L"Prints \"changed<tab>CLASSID<tab>SETTINGID<tab>VALUE\" for each change of the named settings\n"
     L"  and \"reloaded\" for each reload another process causes; ends after N lines when given.",
     L"settory watch 5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E 1 --count 1"},
    {L"export", L"settory export FILE",
     L"Writes every current value that differs from its default, of this user and of all users,\n"
     L"  into one XML file (schema \"SettingsExport.xsd\").",
     L"settory export \"%USERPROFILE%\\Desktop\\my-settings.xml\""},
    {L"import", L"settory import FILE",
     L"Checks an exported file and stores its values through the service; prints one line per value\n"
     L"  (applied, skipped: locked by policy or unknown on this model, refused: not a value the\n"
     L"  setting takes) and a total. A file that is not a valid export changes nothing.",
     L"settory import \"%USERPROFILE%\\Desktop\\my-settings.xml\""},
    {L"admx", L"settory admx OUTDIR",
     L"Writes the Group Policy templates OUTDIR\\Ostrel.admx and OUTDIR\\en-US\\Ostrel.adml: a category\n"
     L"  per settings page and a policy per setting. Copy both into the policy definitions store.",
     L"settory admx C:\\Windows\\PolicyDefinitions"},
    {L"help", L"settory help [COMMAND]", L"Prints this text, or the usage of one command.", L"settory help import"},
};

std::wstring Describe(const Command& c) {
    return std::wstring(c.synopsis) + L"\n  " + c.description + L"\n  Example: " + c.example + L"\n";
}

}  // namespace

std::wstring WholeUsage() {
    std::wstring text =
        L"settory: reads and changes the settings that the settings window shows, for people and scripts.\n\n"
        L"Commands:\n";
    for (const Command& c : kCommands) text += Describe(c) + L"\n";
    text +=
        L"Options:\n"
        L"  --inproc  loads the settings service into this process instead of using the shared one\n"
        L"  --xml     (get, list) prints the result as an XML document for scripts\n"
        L"  --count N (watch) ends after N reported events\n\n"
        L"Output lines are separated by CR LF; fields by tabs.\n\n"
        L"Exit codes:\n"
        L"  0 done                 1 failure              2 malformed class id\n"
        L"  3 no default settings  4 unknown setting      9 settings busy (write mutex)\n"
        L"  64 usage error         65 import file not valid (nothing changed)\n"
        L"  69 service not available  73 file could not be written\n"
        L"  77 setting locked by policy (set refused)\n";
    return text;
}

std::wstring CommandUsage(const std::wstring& command) {
    for (const Command& c : kCommands) {
        if (command == c.name) return Describe(c);
    }
    return std::wstring();
}

std::wstring Synopsis(const std::wstring& command) {
    for (const Command& c : kCommands) {
        if (command == c.name) return std::wstring(L"usage: ") + c.synopsis + L" (settory help " + c.name + L")";
    }
    return L"usage: settory get|set|defaults|list|watch|export|import|admx|help ... (settory --help)";
}

}  // namespace settorycli

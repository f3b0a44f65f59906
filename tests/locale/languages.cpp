#include "locale/languages.h"

#include "support/fixtures.h"

namespace localetest {

const Language kLanguages[11] = {
    {L"de-DE", 0x0407}, {L"es-ES", 0x0C0A}, {L"fr-FR", 0x040C}, {L"it-IT", 0x0410},
    {L"ja-JP", 0x0411}, {L"ko-KR", 0x0412}, {L"nl-NL", 0x0413}, {L"ru-RU", 0x0419},
    {L"zh-CN", 0x0804}, {L"zh-TW", 0x0404}, {L"qps-ploc", kPseudo},
};

const TranslatedModule kModules[5] = {
    {L"Ostrel.exe.mui", true},
    {L"MinimalPlugin.dll", false},
    {L"OstrelDisplayKeyboard.dll", false},
    {L"OstrelPowerWireless.dll", false},
    {L"Plugwerk.dll", false},
};

base::UniqueModule LoadModule(const wchar_t* language) { return LoadModule(kModules[0], language); }

base::UniqueModule LoadModule(const TranslatedModule& module, const wchar_t* language) {
    CStringW path = testsupport::BinFolder() + L"\\";
    if (module.folderPerLanguage) path += CStringW(language) + L"\\";
    path += module.file;
    return base::UniqueModule(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string Narrow(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::string TestName(const testing::TestParamInfo<Language>& info) {
    std::string name;
    for (const wchar_t* p = info.param.name; *p; ++p) name += std::isalnum(*p) ? static_cast<char>(*p) : '_';
    return name;
}

}  // namespace localetest

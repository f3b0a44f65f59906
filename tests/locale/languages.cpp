#include "locale/languages.h"

#include "support/fixtures.h"

namespace localetest {

const Language kLanguages[11] = {
    {L"de-DE", 0x0407}, {L"es-ES", 0x0C0A}, {L"fr-FR", 0x040C}, {L"it-IT", 0x0410},
    {L"ja-JP", 0x0411}, {L"ko-KR", 0x0412}, {L"nl-NL", 0x0413}, {L"ru-RU", 0x0419},
    {L"zh-CN", 0x0804}, {L"zh-TW", 0x0404}, {L"qps-ploc", kPseudo},
};

base::UniqueModule LoadModule(const wchar_t* name) {
    CStringW path = testsupport::BinFolder() + L"\\" + name + L"\\Ostrel.exe.mui";
    return base::UniqueModule(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string TestName(const testing::TestParamInfo<Language>& info) {
    std::string name;
    for (const wchar_t* p = info.param.name; *p; ++p) name += std::isalnum(*p) ? static_cast<char>(*p) : '_';
    return name;
}

}  // namespace localetest

#pragma once
// The languages the program ships besides English, and the pseudo-language, as the tests see them:
// one table for every per-language test. A new language is one line here and one folder in locale/.
#include <windows.h>

#include <string>

#include "base/handles.h"
#include <gtest/gtest.h>

namespace localetest {

struct Language {
    const wchar_t* name;  // the folder of its module and the name the system's lookup uses
    LANGID id;            // the language its resources are marked with
};

constexpr LANGID kEnglish = 0x0409;
constexpr LANGID kPseudo = 0x0501;

extern const Language kLanguages[11];

// A module whose texts come in every language: the program's resource module, one file per language
// in a folder named after it, or a sample plug-in, which holds every language itself.
struct TranslatedModule {
    const wchar_t* file;
    bool folderPerLanguage;
};
extern const TranslatedModule kModules[5];

// <bin>\<language>\Ostrel.exe.mui loaded as resources only.
base::UniqueModule LoadModule(const wchar_t* language);
// The module that holds the language's resources, loaded as resources only; none when it has no
// file for that language.
base::UniqueModule LoadModule(const TranslatedModule& module, const wchar_t* language);

// UTF-8, for test messages.
std::string Narrow(const std::wstring& text);

std::string TestName(const testing::TestParamInfo<Language>& info);

}  // namespace localetest

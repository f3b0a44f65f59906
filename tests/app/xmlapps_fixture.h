#pragma once
// Registration files for the main program's tests: ALLUSERSPROFILE pointed at a temporary folder with
// the registration schema installed, the settings service registered and created in process, and the
// entries a catalogue gets from it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "catalogue/catalogue.h"
#include "catalogue/xml_registered_application.h"
#include "support/fixtures.h"

namespace xmlappstest {

inline std::string Narrow(const CStringW& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    return out;
}

inline std::string Registration(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OSLSetting>" + children + "</OSLSetting>\n";
}

inline std::string Name(const std::string& name) {
    return "<AppName><String Type=\"EN-US\">" + name + "</String></AppName>";
}

class DataFolder {
public:
    DataFolder()
        : all_(root_.Path() + L"\\all"),
          env_(L"ALLUSERSPROFILE", all_),
          data(all_ + L"\\Quor Corporation\\Ostrel"),
          program(data + L"\\tool.exe") {
        ::SHCreateDirectoryExW(nullptr, data + L"\\Schema files", nullptr);
        ::CopyFileW(testsupport::BinFolder() + L"\\Schema files\\OSLSetting.xsd",
                    data + L"\\Schema files\\OSLSetting.xsd", FALSE);
        testsupport::WriteTextFile(program, "MZ");
    }
    CStringW Write(const wchar_t* name, const std::string& xml) const {
        CStringW path = data + L"\\" + name;
        testsupport::WriteTextFile(path, xml);
        return path;
    }
    std::string ProgramElement() const { return "<AppPath>" + Narrow(program) + "</AppPath>"; }

private:
    testsupport::TempFolder root_;
    CStringW all_;
    testsupport::ScopedEnv env_;

public:
    const CStringW data;  // the product data folder, without the final backslash
    const CStringW program;
};

class RegistrationTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + testsupport::BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void SetUp() override { ASSERT_TRUE(com_.Ok()); }

    // A fresh enumeration over the folder as it is now; the catalogue keeps the entries.
    std::vector<CXMLRegisteredApplication*> Enumerate() {
        base::ComPtr<IOSLRegApplication> apps;
        EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_COSLRegApplication, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOSLRegApplication, apps.PutVoid()));
        catalogue_.Clear();
        if (apps) AppendXmlRegisteredApplications(catalogue_, apps.Get());
        std::vector<CXMLRegisteredApplication*> entries;
        catalogue_.Walk([&](const CCatalogue::Entries& all) {
            for (CRegisteredApplication* e : all) entries.push_back(static_cast<CXMLRegisteredApplication*>(e));
        });
        return entries;
    }
    // Display names in sorted order, since the file system decides the listing order.
    static std::vector<std::string> Names(const std::vector<CXMLRegisteredApplication*>& entries) {
        std::vector<std::string> names;
        for (auto* e : entries) names.push_back(Narrow(e->m_strName));
        std::sort(names.begin(), names.end());
        return names;
    }

    base::ComInit com_{COINIT_APARTMENTTHREADED};
    DataFolder folder;
    CCatalogue catalogue_;
};

}  // namespace xmlappstest

#pragma once
// CWmiData: a small client of the local WMI service for the system-information gathering. One
// query at a time: Select runs it and holds its first result object; the property readers read
// that object; NextNumberProperty moves on to the next one. Every operation returns 1 for success
// and 0 for failure. COM must be initialised on the calling thread for the client's lifetime.
#include <wbemidl.h>

#include "base/com_ptr.h"
#include "base/cstringw.h"

namespace ostrel {
// The authentication the gathering's WMI proxies use. A service object that is not a proxy (an
// in-process provider) has no blanket to set; that is not a failure.
void SetWmiProxyBlanket(IUnknown* proxy);

// Shows why a query could not be started. The default is a message box; tests record instead.
using WmiErrorReporter = void (*)(const CStringW& text);
// Returns the previous reporter; null restores the message box.
WmiErrorReporter SetWmiErrorReporter(WmiErrorReporter reporter);
void ReportWmiError(const CStringW& text);
}  // namespace ostrel

class CWmiData {
public:
    CWmiData() = default;
    virtual ~CWmiData();
    CWmiData(const CWmiData&) = delete;
    CWmiData& operator=(const CWmiData&) = delete;

    // Connects to \\.\root\cimv2 as the current user.
    virtual int Connect();
    // Runs "Select * From " + classText and takes its first result object.
    virtual int Select(const wchar_t* classText);
    // A string property, or an integer property in decimal.
    virtual int GetStringProperty(const wchar_t* name, CStringW* value);
    int GetNumberProperty(const wchar_t* name, unsigned long long* value);
    // Moves to the next result object and reads the property there; 0 when there is none.
    virtual int NextNumberProperty(const wchar_t* name, unsigned long long* value);
    virtual int CloseQuery();
    virtual int Close();

private:
    base::ComPtr<IWbemLocator> m_pLocator;
    base::ComPtr<IWbemServices> m_pServices;
    base::ComPtr<IEnumWbemClassObject> m_pEnumerator;
    base::ComPtr<IWbemClassObject> m_pObject;
};

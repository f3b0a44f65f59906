#include "bench/bare_msxml.h"

#include "base/handles.h"
#include "settory/msxml_ids.h"

namespace bench {
namespace {

using settory::kClsidDomDocument60;
using settory::kClsidXmlSchemaCache60;
using settory::kIidXmlDomDocument2;
using settory::kIidXmlDomSchemaCollection2;

void SetPath(base::Variant& v, const std::wstring& path) {
    v.Clear();
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = ::SysAllocString(path.c_str());
}

}  // namespace

bool BareDocument::Load(const std::wstring& path) {
    document_.Reset();
    if (FAILED(::CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                  document_.PutVoid()))) {
        return false;
    }
    document_->put_async(VARIANT_FALSE);
    document_->put_validateOnParse(VARIANT_FALSE);
    document_->put_resolveExternals(VARIANT_FALSE);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    base::Variant source;
    SetPath(source, path);
    return SUCCEEDED(document_->load(*source.Get(), &loaded)) && loaded == VARIANT_TRUE;
}

bool BareDocument::Validate(const std::wstring& schemaPath) {
    if (!document_) return false;
    base::ComPtr<IXMLDOMSchemaCollection2> schemas;
    if (FAILED(::CoCreateInstance(kClsidXmlSchemaCache60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomSchemaCollection2,
                                  schemas.PutVoid()))) {
        return false;
    }
    base::Bstr noNamespace(L"");
    base::Variant location;
    SetPath(location, schemaPath);
    if (FAILED(schemas->add(noNamespace.Get(), *location.Get()))) return false;
    VARIANT attach;
    V_VT(&attach) = VT_DISPATCH;
    V_DISPATCH(&attach) = schemas.Get();
    if (FAILED(document_->putref_schemas(attach))) return false;
    base::ComPtr<IXMLDOMParseError> error;
    return document_->validate(error.Put()) == S_OK;
}

bool BareDocument::SaveDurably(const std::wstring& target) {
    if (!document_) return false;
    std::wstring temporary = target + L".tmp";
    base::Variant destination;
    SetPath(destination, temporary);
    if (FAILED(document_->save(*destination.Get()))) return false;
    {
        base::UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !::FlushFileBuffers(file.get())) return false;
    }
    return ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace bench

#include "bench/bare_msxml.h"

#include "base/handles.h"

namespace bench {
namespace {

// MinGW's msxml2.h declares these but its import libraries do not define them.
const CLSID kClsidDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const CLSID kClsidXmlSchemaCache60 = {0x88d96a07, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIidXmlDomSchemaCollection2 = {0x50ea08b0, 0xdd1b, 0x4664, {0x9a, 0x50, 0xc2, 0xf4, 0x0f, 0x4b, 0xd7, 0x9a}};

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

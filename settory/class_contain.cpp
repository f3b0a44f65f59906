#include "settory/class_contain.h"

#include "settory/dom_children.h"
#include "settory/values.h"

namespace settory {

std::wstring CClassContain::Key(const wchar_t* classId, const wchar_t* settingId) {
    std::wstring key(classId);
    key += L',';
    key += settingId;
    return key;
}

void CClassContain::AddToIndex(CClass* cls, ItemRecord* record) {
    // emplace keeps the first entry: with several files the first one loaded answers.
    itemIndex_.emplace(Key(cls->ClassId(), record->settingId), FoundItem{cls, record});
}

void CClassContain::IndexDocument(const wchar_t* eventRoot,
                                  void (*onEventItem)(void* context, const CStringW& classId, int settingId),
                                  void* context) {
    IXMLDOMElement* root = Root();
    if (!root) return;
    bool reportEvents = eventRoot && onEventItem && NodeName(root) == eventRoot;
    ForEachChildElement(root, [&](const base::ComPtr<IXMLDOMElement>& classElement) {
        CStringW classId;
        GetAttribute(classElement.Get(), L"ClassID", classId);
        classes_.push_back(std::make_unique<CClass>(this, classElement, classId));
        CClass* cls = classes_.back().get();
        classIndex_.emplace(classId.Str(), cls);
        ForEachChildElement(classElement.Get(), [&](const base::ComPtr<IXMLDOMElement>& child) {
            CStringW name = NodeName(child.Get());
            if (name == L"MachineID") {
                cls->MachineIds().push_back(GetText(child.Get()));
            } else if (name == L"Item") {
                auto record = std::make_unique<ItemRecord>();
                record->item = child;
                GetAttribute(child.Get(), L"SettingID", record->settingId);
                ForEachChildElement(child.Get(), [&](const base::ComPtr<IXMLDOMElement>& data) {
                    if (NodeName(data.Get()) == L"SettingData") record->data.push_back(data);
                });
                CStringW event;
                if (reportEvents && GetAttribute(child.Get(), L"bEvent", event) && event == L"1") {
                    onEventItem(context, classId, _wtoi(record->settingId));
                }
                cls->Items().push_back(std::move(record));
                AddToIndex(cls, cls->Items().back().get());
            }
        });
    });
}

void CClassContain::DropIndex() {
    itemIndex_.clear();
    classIndex_.clear();
    classes_.clear();
}

CClass* CClassContain::FindClass(const wchar_t* classId) const {
    auto it = classIndex_.find(classId ? classId : L"");
    return it == classIndex_.end() ? nullptr : it->second;
}

FoundItem CClassContain::FindItem(const wchar_t* classId, int settingId) const {
    auto it = itemIndex_.find(Key(classId ? classId : L"", SettingIdText(settingId)));
    return it == itemIndex_.end() ? FoundItem{} : it->second;
}

bool CClassContain::ValueForMachine(const ItemRecord& record, long machineId, IXMLDOMElement** data, CStringW* text) {
    CStringW machine;
    machine.Format(L"%ld", machineId);
    for (const auto& element : record.data) {
        CStringW id;
        if (!GetAttribute(element.Get(), L"MachineID", id) || id == machine) {
            if (data) *data = element.Get();
            if (text) *text = GetText(element.Get());
            return true;
        }
    }
    return false;
}

CClass* CClassContain::AppendClass(const wchar_t* classId) {
    base::ComPtr<IXMLDOMElement> element = CreateChildElement(Root(), L"Class");
    if (!element || !SetAttribute(element.Get(), L"ClassID", classId)) return nullptr;
    classes_.push_back(std::make_unique<CClass>(this, element, CStringW(classId)));
    CClass* cls = classes_.back().get();
    classIndex_.emplace(cls->ClassId().Str(), cls);
    return cls;
}

ItemRecord* CClassContain::AppendItem(CClass* cls, const wchar_t* settingId, const wchar_t* allUser,
                                      const wchar_t* event, const wchar_t* value) {
    if (!cls) return nullptr;
    base::ComPtr<IXMLDOMElement> item = CreateChildElement(cls->Element(), L"Item");
    if (!item || !SetAttribute(item.Get(), L"SettingID", settingId) ||
        !SetAttribute(item.Get(), L"bAllUser", allUser) || !SetAttribute(item.Get(), L"bEvent", event)) {
        return nullptr;
    }
    base::ComPtr<IXMLDOMElement> data = CreateChildElementWithText(item.Get(), L"SettingData", value);
    if (!data) return nullptr;
    auto record = std::make_unique<ItemRecord>();
    record->item = item;
    record->settingId = settingId;
    record->data.push_back(data);
    cls->Items().push_back(std::move(record));
    ItemRecord* added = cls->Items().back().get();
    AddToIndex(cls, added);
    return added;
}

}  // namespace settory

#pragma once
// The index over one or more settings documents: classes in document order, their items, and hash
// tables that find the first class and the first (class, setting) pair in that order, so a lookup
// costs the same for ten settings as for ten thousand.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "settory/xml_parser.h"

namespace settory {

class CClassContain;

struct ItemRecord {
    base::ComPtr<IXMLDOMElement> item;
    CStringW settingId;  // the attribute's text as written: "05" stays "05"
    std::vector<base::ComPtr<IXMLDOMElement>> data;
};

class CClass {
public:
    CClass(CClassContain* owner, base::ComPtr<IXMLDOMElement> element, const CStringW& classId)
        : owner_(owner), element_(std::move(element)), classId_(classId) {}
    IXMLDOMElement* Element() const noexcept { return element_.Get(); }
    const CStringW& ClassId() const noexcept { return classId_; }
    const std::vector<CStringW>& MachineIds() const noexcept { return machineIds_; }
    std::vector<CStringW>& MachineIds() noexcept { return machineIds_; }
    std::vector<std::unique_ptr<ItemRecord>>& Items() noexcept { return items_; }
    CClassContain* Owner() const noexcept { return owner_; }

private:
    CClassContain* owner_;
    base::ComPtr<IXMLDOMElement> element_;
    CStringW classId_;
    std::vector<CStringW> machineIds_;
    std::vector<std::unique_ptr<ItemRecord>> items_;
};

struct FoundItem {
    CClass* cls = nullptr;
    ItemRecord* record = nullptr;
    explicit operator bool() const noexcept { return record != nullptr; }
};

class CClassContain : public CXMLParser {
public:
    // Indexes the children of the current root after the classes already indexed. Each item listed
    // with bEvent "1" under a root named eventRoot is reported to onEventItem.
    void IndexDocument(const wchar_t* eventRoot = nullptr,
                       void (*onEventItem)(void* context, const CStringW& classId, int settingId) = nullptr,
                       void* context = nullptr);
    void DropIndex();

    CClass* FindClass(const wchar_t* classId) const;
    FoundItem FindItem(const wchar_t* classId, int settingId) const;

    // The value for this machine: the first SettingData whose MachineID is the machine's, or that has
    // none. False when no SettingData applies.
    static bool ValueForMachine(const ItemRecord& record, long machineId, IXMLDOMElement** data, CStringW* text);

    CClass* AppendClass(const wchar_t* classId);
    ItemRecord* AppendItem(CClass* cls, const wchar_t* settingId, const wchar_t* allUser, const wchar_t* event,
                           const wchar_t* value);

    size_t ClassCount() const noexcept { return classes_.size(); }
    const std::vector<std::unique_ptr<CClass>>& Classes() const noexcept { return classes_; }

private:
    void AddToIndex(CClass* cls, ItemRecord* record);
    static std::wstring Key(const wchar_t* classId, const wchar_t* settingId);

    std::vector<std::unique_ptr<CClass>> classes_;
    std::unordered_map<std::wstring, CClass*> classIndex_;
    std::unordered_map<std::wstring, FoundItem> itemIndex_;
};

}  // namespace settory

#pragma once
// CAtlArray: the growable array of the template library, as the plug-in headers use it. Header-only.
#include <stddef.h>
#include <vector>

template <typename E>
class CAtlArray {
public:
    CAtlArray() = default;
    CAtlArray(const CAtlArray&) = delete;
    CAtlArray& operator=(const CAtlArray&) = delete;

    size_t GetCount() const noexcept { return items_.size(); }
    bool IsEmpty() const noexcept { return items_.empty(); }
    bool SetCount(size_t count) {
        items_.resize(count);
        return true;
    }
    size_t Add(const E& element) {
        items_.push_back(element);
        return items_.size() - 1;
    }
    size_t Add() {
        items_.emplace_back();
        return items_.size() - 1;
    }
    size_t Append(const CAtlArray& other) {
        size_t first = items_.size();
        items_.insert(items_.end(), other.items_.begin(), other.items_.end());
        return first;
    }
    void Copy(const CAtlArray& other) { items_ = other.items_; }

    const E& GetAt(size_t i) const { return items_.at(i); }
    E& GetAt(size_t i) { return items_.at(i); }
    void SetAt(size_t i, const E& element) { items_.at(i) = element; }
    const E& operator[](size_t i) const { return items_.at(i); }
    E& operator[](size_t i) { return items_.at(i); }
    E* GetData() noexcept { return items_.empty() ? nullptr : items_.data(); }
    const E* GetData() const noexcept { return items_.empty() ? nullptr : items_.data(); }

    void InsertAt(size_t i, const E& element, size_t count = 1) {
        if (i > items_.size()) i = items_.size();
        items_.insert(items_.begin() + static_cast<ptrdiff_t>(i), count, element);
    }
    void RemoveAt(size_t i, size_t count = 1) {
        if (i >= items_.size()) return;
        if (count > items_.size() - i) count = items_.size() - i;
        auto first = items_.begin() + static_cast<ptrdiff_t>(i);
        items_.erase(first, first + static_cast<ptrdiff_t>(count));
    }
    void RemoveAll() noexcept { items_.clear(); }

    auto begin() noexcept { return items_.begin(); }
    auto end() noexcept { return items_.end(); }
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    std::vector<E> items_;
};

// Live handles of one kind. A handle is the address of its record; it stays valid until
// it is removed, and any other value is a bad handle. Safe to use from several threads.
#pragma once

#include <map>
#include <memory>
#include <mutex>

template <typename Record>
struct HandleTable {
    std::mutex mutex;
    std::map<const void*, std::unique_ptr<Record>> records;
};

template <typename Record>
void* AddHandle(HandleTable<Record>& table, Record record) {
    auto owned = std::make_unique<Record>(std::move(record));
    void* handle = owned.get();
    std::lock_guard<std::mutex> guard(table.mutex);
    table.records.emplace(handle, std::move(owned));
    return handle;
}

// Copies the record of a live handle; false for a bad handle.
template <typename Record>
bool LookUpHandle(HandleTable<Record>& table, const void* handle, Record* record) {
    std::lock_guard<std::mutex> guard(table.mutex);
    const auto found = table.records.find(handle);
    if (found == table.records.end()) {
        return false;
    }
    *record = *found->second;
    return true;
}

// Ends a live handle and hands back its record; false for a bad handle.
template <typename Record>
bool RemoveHandle(HandleTable<Record>& table, const void* handle, Record* record) {
    std::lock_guard<std::mutex> guard(table.mutex);
    const auto found = table.records.find(handle);
    if (found == table.records.end()) {
        return false;
    }
    *record = std::move(*found->second);
    table.records.erase(found);
    return true;
}

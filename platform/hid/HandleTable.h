#pragma once
// The open handles of a backend: numbers handed out from 1 on, never used
// again, each naming the backend's own record of that open. Safe from any
// thread; its lock is taken last, so callers may hold their own.
#include "platform/hid/HidTypes.h"

#include <map>
#include <memory>
#include <mutex>

namespace zq::hid {

template <typename Record>
class HandleTable {
public:
    Handle add(std::shared_ptr<Record> record)
    {
        std::lock_guard lock(mutex_);
        const Handle id = next_++;
        records_.emplace(id, std::move(record));
        return id;
    }

    // The record, or null when the handle is not open.
    std::shared_ptr<Record> find(Handle id) const
    {
        std::lock_guard lock(mutex_);
        const auto it = records_.find(id);
        return it == records_.end() ? nullptr : it->second;
    }

    // Closes the handle and gives its record; null when it was not open.
    std::shared_ptr<Record> take(Handle id)
    {
        std::lock_guard lock(mutex_);
        const auto it = records_.find(id);
        if (it == records_.end())
            return nullptr;
        auto record = std::move(it->second);
        records_.erase(it);
        return record;
    }

    std::size_t size() const
    {
        std::lock_guard lock(mutex_);
        return records_.size();
    }

private:
    mutable std::mutex mutex_;
    std::map<Handle, std::shared_ptr<Record>> records_;
    Handle next_ = 1;
};

} // namespace zq::hid

// Common interface of the controller data wrappers.
//
// A wrapper reads one kind of controller record (T) for one adapter. Callers
// either read single and then ask by key:
//     w.readSingle(adapter); bool found = false; T* r = w.getData(key, found);
// or walk every record of the adapter in ascending key order:
//     w.readRange(adapter);
//     while (!w.isEnd()) { bool f = false; T* r = w.getData(w.getID(), f); ...; w.moveToNext(); }
// The answered pointer is owned by the wrapper and stays valid until the next
// call on it. Wrappers are short-lived local objects, always destroyed through
// their own class; each holds one reference to the shared log.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Log.h"

template <typename T>
class APIData {
public:
    APIData(const APIData&) = delete;
    APIData& operator=(const APIData&) = delete;

    // The record with this key, copied into the wrapper; found tells whether
    // the controller knows it.
    virtual T* getData(uint16_t key, bool& found) = 0;
    virtual void clear() = 0;
    // Key of the record at the walking position.
    virtual uint16_t getID() = 0;
    virtual void moveToNext() = 0;
    virtual bool isEnd() = 0;
    // Prepares a walk over all records of the adapter.
    virtual void readRange(uint8_t adapter) = 0;
    // Prepares reading records of the adapter one by one.
    virtual void readSingle(uint8_t adapter) = 0;

    // One api_data log line: the operation's name, the key and a dump of the record bytes.
    void log(const char* name, uint32_t key, const void* data, size_t length) {
        m_log->startLine(Log::api_data, name);
        m_log->writeFormatInfo("key is %d", static_cast<int>(key));
        m_log->writeBin(data, length);
        m_log->endLine();
    }

protected:
    APIData() : m_log(Log::getLog()) {}
    ~APIData() { Log::clear(); }

    Log* m_log;
};

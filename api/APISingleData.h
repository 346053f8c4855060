// Base of the wrappers that read one record per library call.
//
// The record is held in m_record and read afresh by getData(key). The walk,
// where a class has one, counts m_cursor up over the adapters of the system:
// readRange(adapter) starts it at 0 and lets the class set its limit
// (resetRange); getID answers the cursor.
#pragma once

#include <cstring>

#include "api/APIData.h"

template <typename T>
class APISingleData : public APIData<T> {
public:
    void clear() override { std::memset(&m_record, 0, sizeof(m_record)); }
    uint16_t getID() override { return m_cursor; }

    void readSingle(uint8_t adapter) override {
        m_adapterId = adapter;
        m_cursor = 0;
    }
    void readRange(uint8_t adapter) override {
        readSingle(adapter);
        resetRange();
    }

    virtual void resetRange() = 0;

protected:
    APISingleData() { std::memset(&m_record, 0, sizeof(m_record)); }
    ~APISingleData() = default;

    T m_record;
    uint8_t m_adapterId = 0;
    uint16_t m_cursor = 0;
};

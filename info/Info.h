// Base of the information providers behind getSingleInfo and getArrayInfo.
//
// The dispatcher owns one provider per class name ("Adapter", "PD", ...) and
// calls getSingle for one object (identified by the key text) or getArray for
// all of them; result has been emptied and receives the answer's XML text.
// adapterId is the selected adapter; only its low 8 bits matter. Providers
// build their controller data wrappers afresh on every call.
#pragma once

#include <cstdint>
#include <string>

class Info {
public:
    explicit Info(const std::string& name) : m_name(name) {}
    virtual ~Info() = default;
    Info(const Info&) = delete;
    Info& operator=(const Info&) = delete;

    virtual bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) = 0;
    virtual void getArray(uint32_t adapterId, std::string& result) = 0;
    // True for the one provider still served while a firmware upload runs.
    virtual bool noCheck() { return false; }

    const std::string& getName() const { return m_name; }

protected:
    std::string m_name;
};

// Base of the handlers behind getCondition.
//
// Like a command (setKey, prepare, replacePara, run), but instead of a
// result code the dispatcher asks setRet for the answer text: one structure
// named after the condition.
#pragma once

#include <cstdint>
#include <string>

class Log;
class StructMiddle;

class ConditionInterface {
public:
    explicit ConditionInterface(const std::string& name, const std::string& keyName = std::string());
    virtual ~ConditionInterface();
    ConditionInterface(const ConditionInterface&) = delete;
    ConditionInterface& operator=(const ConditionInterface&) = delete;

    virtual void prepare(unsigned char adapterId) = 0;
    virtual void replacePara(StructMiddle* para) = 0;
    virtual void run() = 0;
    virtual void setRet(std::string& answer) = 0;

    const std::string& getName() const { return m_name; }
    const std::string& getKey() const { return m_keyName; }
    void setKey(const std::string& text);
    uint16_t getKeyValue() const { return m_key; }

protected:
    std::string m_name;
    std::string m_keyName;
    uint8_t m_ret = 0;
    uint16_t m_key = 0;
    uint8_t m_adapter = 0;
    Log* m_log;
};

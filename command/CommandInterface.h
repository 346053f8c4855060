// Base of the handlers behind sendCommand.
//
// The dispatcher owns one object per command name. For each request it hands
// over the text of the key field (setKey, only when the request carries it),
// then calls prepare(adapter), replacePara(first structure of the request)
// and run(), and answers getRet(). Objects keep their members between
// requests; each command says what its prepare resets.
#pragma once

#include <cstdint>
#include <string>

class Log;
class StructMiddle;

class CommandInterface {
public:
    explicit CommandInterface(const std::string& name, const std::string& keyName = std::string());
    virtual ~CommandInterface();
    CommandInterface(const CommandInterface&) = delete;
    CommandInterface& operator=(const CommandInterface&) = delete;

    virtual void prepare(unsigned char adapterId) = 0;
    virtual void replacePara(StructMiddle* para) = 0;
    virtual void run() = 0;

    const std::string& getName() const { return m_name; }
    const std::string& getKey() const { return m_keyName; }
    // Reads the key text as a 16-bit decimal (non-numeric text gives 0).
    void setKey(const std::string& text);
    uint16_t getKeyValue() const { return m_key; }
    uint8_t getRet() const { return m_ret; }

protected:
    std::string m_name;
    std::string m_keyName;
    uint16_t m_key = 0;
    uint8_t m_ret = 0;
    uint8_t m_adapter = 0;
    Log* m_log;
};

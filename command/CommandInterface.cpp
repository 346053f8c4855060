#include "command/CommandInterface.h"

#include "base/Log.h"
#include "middle/SingleTypeParser.h"

CommandInterface::CommandInterface(const std::string& name, const std::string& keyName)
    : m_name(name), m_keyName(keyName), m_log(Log::getLog()) {}

CommandInterface::~CommandInterface() { Log::clear(); }

void CommandInterface::setKey(const std::string& text) {
    m_key = U16Parser::read(text);
}

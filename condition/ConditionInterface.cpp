#include "condition/ConditionInterface.h"

#include "base/Log.h"
#include "middle/SingleTypeParser.h"

ConditionInterface::ConditionInterface(const std::string& name, const std::string& keyName)
    : m_name(name), m_keyName(keyName), m_log(Log::getLog()) {}

ConditionInterface::~ConditionInterface() { Log::clear(); }

void ConditionInterface::setKey(const std::string& text) {
    m_key = U16Parser::read(text);
}

// A command with a parameter record T (m_para), zero-filled once when the
// command is built and kept between requests: a request overwrites only the
// fields it carries.
#pragma once

#include "command/CommandInterface.h"

template <typename T>
class Command : public CommandInterface {
public:
    explicit Command(const std::string& name, const std::string& keyName = std::string())
        : CommandInterface(name, keyName), m_para() {}

protected:
    T m_para;
};

// A condition with a parameter record T (m_para), zero-filled once when the
// condition is built and kept between requests.
#pragma once

#include "condition/ConditionInterface.h"

template <typename T>
class Condition : public ConditionInterface {
public:
    explicit Condition(const std::string& name, const std::string& keyName = std::string())
        : ConditionInterface(name, keyName), m_para() {}

protected:
    T m_para;
};

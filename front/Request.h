// Request: a request document for sendCommand or getCondition.
//
// One root element named by the command or condition, one child element per
// parameter, list parameters as an element holding one element per item.
// Text values are escaped for XML.
//
//   Request("CreatePackageVD").field("Name", "Data2").field("RAID", 5)
//       .list("Disks", "ID", {5, 6, 7}).text();
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zdfront {

class Request {
public:
    explicit Request(std::string function) : m_function(std::move(function)) {}

    Request& field(const std::string& name, const std::string& value);
    Request& field(const std::string& name, uint64_t value) { return field(name, std::to_string(value)); }
    Request& list(const std::string& name, const std::string& itemName, const std::vector<uint64_t>& values);

    const std::string& function() const { return m_function; }
    std::string text() const;

    static std::string escape(const std::string& value);

private:
    std::string m_function;
    std::string m_body;
};

}  // namespace zdfront

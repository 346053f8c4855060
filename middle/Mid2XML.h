// Base of everything in the message model that can print itself as XML.
#pragma once

#include <string>

class TiXmlElement;
class TiXmlNode;

// Prints node in the compact form of every answer (no indentation, no line
// breaks) into out, replacing what it held.
void printCompact(const TiXmlNode& node, std::string& out);

class Mid2XML {
public:
    // Appends this object's XML form to parent.
    virtual void addInNode(TiXmlElement* parent) = 0;

protected:
    ~Mid2XML() = default;
};

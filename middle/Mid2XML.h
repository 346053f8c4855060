// Base of everything in the message model that can print itself as XML.
#pragma once

class TiXmlElement;

class Mid2XML {
public:
    // Appends this object's XML form to parent.
    virtual void addInNode(TiXmlElement* parent) = 0;

protected:
    ~Mid2XML() = default;
};

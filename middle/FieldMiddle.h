// A named field's value inside a StructMiddle: one text (SingleField) or a
// list of texts (ArrayField). Structures own their fields and delete them
// through this base.
#pragma once

#include "middle/Mid2XML.h"

class FieldMiddle : public Mid2XML {
public:
    void addInNode(TiXmlElement* parent) override = 0;
    virtual ~FieldMiddle() = default;
};

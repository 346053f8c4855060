// A whole request or answer document: a function name (the root element;
// may be empty) and structures in insertion order, which it owns.
//
// fromStructString reads a request: the root element's name becomes the
// function name and one structure of that name holds its child elements as
// fields. toString prints an answer: with a function name, an element of
// that name around every structure; without one, the single structure alone
// (or an empty text when there are zero or several).
#pragma once

#include <list>
#include <string>

class StructMiddle;

class XMLMiddle {
public:
    XMLMiddle() = default;
    explicit XMLMiddle(const std::string& function);
    ~XMLMiddle();
    XMLMiddle(const XMLMiddle&) = delete;
    XMLMiddle& operator=(const XMLMiddle&) = delete;

    // A new empty structure, appended and still owned by the document.
    StructMiddle* addStruct(const std::string& name);
    std::list<StructMiddle*>& getStructs() { return m_structs; }
    const std::string& getFunction() const { return m_function; }

    void fromStructString(const std::string& text);
    std::string toString();

private:
    std::string m_function;
    std::list<StructMiddle*> m_structs;
};

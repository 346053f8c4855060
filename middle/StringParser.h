// Conversion of one text between a record's fixed-size character field and
// a request or answer.
//
// Reading a record field skips its leading blanks and stops at the first NUL:
//     StringParser p; p.parse(rec->name); s->addSingle("Name", p.toString());
// Writing into a 20-byte field copies at most 19 bytes and a NUL:
//     StringParser p; p.parse(*text); p.setValue(m_para.name, 19);
#pragma once

#include <string>

class StringParser {
public:
    // The text after leading spaces (only ' '), up to the first NUL.
    // A null pointer reads as the empty text.
    void parse(const unsigned char* text);
    void parse(const char* text);
    // The text unchanged.
    void parse(const std::string& text);

    std::string toString() const { return m_text; }

    // Copies the text and its terminating NUL into target.
    void setValue(unsigned char* target) const;
    void setValue(char* target) const;
    // Writes exactly n + 1 bytes: the first n bytes of the text (a shorter
    // text is followed by NULs) and a NUL at target[n].
    void setValue(unsigned char* target, unsigned n) const;
    void setValue(char* target, unsigned n) const;
    void setValue(std::string& target) const { target = m_text; }

private:
    std::string m_text;
};

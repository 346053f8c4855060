// Conversion of one record number to and from its text form.
//
// Every number crosses the text boundary as plain unsigned decimal. To
// answer, a provider hands the record value to a parser and takes its text,
// or takes the text at once without keeping a parser:
//     U16Parser p; p.parse(rec->id); s->addSingle("ID", p.toString());
//     s->addSingle("ID", U16Parser::format(rec->id));
// To read a request, a command hands the field's text to a parser and lets
// it store the number (only a parser given a text, or built with a value,
// stores anything):
//     U8Parser p; p.parse(text); p.setValue(m_para.pd_cache);
//     m_para.pd_cache = U8Parser::read(text);
// Reading never fails: a text without digits reads as 0 and a number too
// large for the type keeps its low bits.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

template <typename T>
class SingleTypeParser {
public:
    SingleTypeParser() : m_value(), m_textRead(false), m_preset(false), m_textValid(false) {}
    explicit SingleTypeParser(const T& value) : m_value(value), m_textRead(false), m_preset(true), m_textValid(false) {}
    virtual ~SingleTypeParser() = default;

    // Keeps the text as given and reads the number from it.
    virtual void parse(const std::string& text) = 0;
    // Keeps the number and builds its decimal text.
    virtual void parse(const T& value) = 0;

    const std::string& toString() {
        if (!m_textValid) parse(m_value);
        return m_text;
    }

    // Copies the number into target if it came from a text or the constructor.
    void setValue(T& target) const {
        if (m_textRead || m_preset) target = m_value;
    }

protected:
    void setFromText(const std::string& text, const T& value) {
        m_text = text;
        m_value = value;
        m_textRead = true;
        m_textValid = true;
    }
    void setFromValue(const T& value, std::string text) {
        m_value = value;
        m_text = std::move(text);
        m_textValid = true;
    }

private:
    T m_value;
    bool m_textRead;
    bool m_preset;
    bool m_textValid;
    std::string m_text;
};

class U8Parser : public SingleTypeParser<uint8_t> {
public:
    using SingleTypeParser::SingleTypeParser;
    void parse(const std::string& text) override;
    void parse(const uint8_t& value) override;
    static std::string format(uint8_t value);
    static uint8_t read(const std::string& text);
};

class U16Parser : public SingleTypeParser<uint16_t> {
public:
    using SingleTypeParser::SingleTypeParser;
    void parse(const std::string& text) override;
    void parse(const uint16_t& value) override;
    static std::string format(uint16_t value);
    static uint16_t read(const std::string& text);
};

class U32Parser : public SingleTypeParser<uint32_t> {
public:
    using SingleTypeParser::SingleTypeParser;
    void parse(const std::string& text) override;
    void parse(const uint32_t& value) override;
    static std::string format(uint32_t value);
    static uint32_t read(const std::string& text);
};

// A 64-bit value (a controller size, for one) as one decimal number.
class U64Parser : public SingleTypeParser<uint64_t> {
public:
    using SingleTypeParser::SingleTypeParser;
    void parse(const std::string& text) override;
    void parse(const uint64_t& value) override;
    static std::string format(uint64_t value);
    static uint64_t read(const std::string& text);
};

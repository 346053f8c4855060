// A whole request or answer document: a function name (the root element;
// may be empty) and structures in insertion order, which it owns.
//
// fromStructString reads a request: the root element's name becomes the
// function name and one structure of that name holds its child elements as
// fields. toString prints an answer: with a function name, an element of
// that name around every structure; without one, the single structure alone
// (or an empty text when there are zero or several).
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <vector>

#include "middle/StructMiddle.h"

class XMLMiddle {
public:
    XMLMiddle() = default;
    explicit XMLMiddle(const std::string& function);
    ~XMLMiddle();
    XMLMiddle(const XMLMiddle&) = delete;
    XMLMiddle& operator=(const XMLMiddle&) = delete;

    // A new empty structure, appended and still owned by the document, with
    // room for expectedFields fields.
    StructMiddle* addStruct(const std::string& name, size_t expectedFields = StructMiddle::kUsualFields);
    std::vector<StructMiddle*>& getStructs() { return m_structs; }
    const std::string& getFunction() const { return m_function; }

    void fromStructString(const char* text);
    void fromStructString(const std::string& text) { fromStructString(text.c_str()); }
    // Prints the answer into out (replacing what it held, keeping its room).
    void printTo(std::string& out);
    std::string toString() {
        std::string text;
        printTo(text);
        return text;
    }

private:
    // The arena's first block, inside the document (which lives on the
    // stack): room for a request's fields, or one object's description,
    // without asking the heap.
    static constexpr size_t kInlineArena = 4096;

    std::string m_function;
    // The structures: a request's one in place, an answer's many allocated a
    // block at a time; m_structs lists them in order.
    // Their fields live in m_arena, given back all at once with the document.
    alignas(std::max_align_t) std::byte m_inlineArena[kInlineArena];
    std::pmr::monotonic_buffer_resource m_arena{m_inlineArena, sizeof m_inlineArena};
    std::optional<StructMiddle> m_first;
    std::unique_ptr<std::pmr::deque<StructMiddle>> m_more;
    std::vector<StructMiddle*> m_structs;
};

// The floor of an XML answer: TinyXML alone building and printing the
// identical document.
//
// A DocumentFloor is made once from an answer text (parsed into a plain tree
// of element names and texts); build() then does what any implementation of
// that answer must do at least: create the TinyXML elements and texts and
// print them in the bridge's compact form (TiXmlPrinter, stream printing).
//
//   DocumentFloor floor(answer);
//   std::string text = floor.build();   // == answer when floor.identical()
#pragma once

#include <string>
#include <vector>

class DocumentFloor {
public:
    explicit DocumentFloor(const std::string& answer);

    // Builds and prints the document.
    std::string build() const;
    // Whether build() reproduces the answer byte for byte.
    bool identical() const { return m_identical; }

private:
    struct Node {
        std::string name;
        std::string text;  // the element's text, if it has one
        std::vector<Node> children;
    };

    bool m_identical = false;
    std::vector<Node> m_roots;
};

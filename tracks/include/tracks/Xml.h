// A small XML reader for the editor's project files: elements and attributes into a tree, text and
// comments and processing instructions skipped. Strict where a damaged file shows (unclosed or crossed
// elements, unquoted or repeated attributes, unknown entities), with the line and column of the fault.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tracks::xml {

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // values with their entities decoded
    std::vector<Element> children;
    size_t line = 0;  // where the start tag begins, for reasons

    // Null when the element has no attribute of that name.
    const std::string* attribute(const std::string& key) const;
};

// Deeper nesting than any project file has; bounds the reader's work on hostile input.
constexpr size_t MAX_DEPTH = 64;

// The document's root element; false with "line L, column C: what" when the text is not well-formed.
// A document type declaration is refused (no project has one, and it would need entity expansion).
bool parse(const std::string& text, Element& root, std::string& error);

}  // namespace tracks::xml

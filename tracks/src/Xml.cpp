// The project files' XML reader: one pass over the text with a stack of open elements.
#include "tracks/Xml.h"

#include <cstdint>
#include <cstring>
#include <set>

namespace tracks::xml {

const std::string* Element::attribute(const std::string& key) const {
    for (const auto& [name, value] : attributes)
        if (name == key) return &value;
    return nullptr;
}

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || u >= 0x80;
}
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool document(Element& root, std::string& error) {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;  // a UTF-8 byte order mark
        bool haveRoot = false;
        std::vector<Element> open;  // the elements whose end tag is still to come, innermost last
        while (fault_.empty()) {
            const size_t textStart = at_;
            while (at_ < text_.size() && text_[at_] != '<') ++at_;
            if (!text(textStart, at_, open.empty())) break;
            if (at_ >= text_.size()) {
                if (!open.empty()) fail("the element <" + open.back().name + "> is not closed");
                else if (!haveRoot) fail("no root element");
                break;
            }
            if (startsWith("<?")) {
                skipPast("?>", "a processing instruction");
            } else if (startsWith("<!--")) {
                skipPast("-->", "a comment");
            } else if (startsWith("<![CDATA[")) {
                if (open.empty()) fail("character data outside the root element");
                else skipPast("]]>", "a CDATA section");
            } else if (startsWith("<!")) {
                fail("a document type declaration or other markup this reader does not take");
            } else if (startsWith("</")) {
                if (!endTag(open, root)) break;
                if (open.empty()) haveRoot = true;
            } else {
                if (open.empty() && haveRoot) {
                    fail("a second root element");
                    break;
                }
                Element element;
                bool empty = false;
                if (!startTag(element, empty)) break;
                if (open.size() >= MAX_DEPTH) {
                    fail("elements nested deeper than " + std::to_string(MAX_DEPTH));
                    break;
                }
                if (!empty) {
                    open.push_back(std::move(element));
                } else if (open.empty()) {
                    root = std::move(element);
                    haveRoot = true;
                } else {
                    open.back().children.push_back(std::move(element));
                }
            }
        }
        error = fault_;
        return fault_.empty();
    }

private:
    bool startsWith(const char* prefix) const { return text_.compare(at_, std::strlen(prefix), prefix) == 0; }

    bool fail(const std::string& what) {
        return failAt(at_, what);
    }

    bool failAt(size_t position, const std::string& what) {
        if (!fault_.empty()) return false;
        size_t line = 1, column = 1;
        for (size_t i = 0; i < position && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        fault_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        return false;
    }

    // Start tags come in order, so the count of lines moves forward only: linear over the document.
    size_t lineAt(size_t position) {
        for (; counted_ < position; ++counted_) line_ += text_[counted_] == '\n';
        return line_;
    }

    void skipPast(const char* end, const char* what) {
        const size_t found = text_.find(end, at_);
        if (found == std::string::npos) {
            fail(std::string(what) + " is not closed");
            return;
        }
        at_ = found + std::strlen(end);
    }

    // Text between tags: ignored, but outside the root only whitespace may stand, and entities in it
    // must be ones the reader knows.
    bool text(size_t from, size_t to, bool outside) {
        for (size_t i = from; i < to; ++i) {
            if (outside && !isSpace(text_[i])) return failAt(i, "text outside the root element");
            if (text_[i] == '&') {
                std::string ignored;
                size_t at = i;
                if (!entity(at, ignored)) return false;
                i = at - 1;
            }
        }
        return true;
    }

    bool name(std::string& out) {
        if (at_ >= text_.size() || !isNameStart(text_[at_])) return fail("a name was expected");
        const size_t start = at_;
        while (at_ < text_.size() && isNameChar(text_[at_])) ++at_;
        out.assign(text_, start, at_ - start);
        return true;
    }

    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    }

    // Decodes the entity at `at` (on its '&') into `out` and moves past its ';'.
    bool entity(size_t& at, std::string& out) {
        // The longest entity, "&#x10FFFF;", is 10 bytes: looking no further keeps hostile text linear.
        const size_t semicolon = text_.substr(at, 12).find(';');
        if (semicolon == std::string::npos) return failAt(at, "an '&' that starts no entity");
        const std::string body = text_.substr(at + 1, semicolon - 1);
        const size_t end = at + semicolon + 1;
        static const std::pair<const char*, char> named[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [entityName, c] : named) {
            if (body == entityName) {
                out += c;
                at = end;
                return true;
            }
        }
        if (body.size() >= 2 && body[0] == '#') {
            const bool hexadecimal = body[1] == 'x';
            const size_t digits = hexadecimal ? 2 : 1;
            uint32_t code = 0;
            bool good = body.size() > digits;
            for (size_t i = digits; good && i < body.size(); ++i) {
                const char c = body[i];
                int digit = -1;
                if (c >= '0' && c <= '9') digit = c - '0';
                else if (hexadecimal && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
                else if (hexadecimal && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
                if (digit < 0) good = false;
                else code = code * (hexadecimal ? 16 : 10) + uint32_t(digit);
                if (code > 0x10FFFF) good = false;
            }
            if (good && code != 0 && !(code >= 0xD800 && code <= 0xDFFF)) {
                appendUtf8(out, code);
                at = end;
                return true;
            }
            return failAt(at, "the character reference '&" + body + ";' names no character");
        }
        return failAt(at, "unknown entity '&" + body + ";'");
    }

    bool attributeValue(std::string& out) {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return fail("a quoted value was expected");
        const char quote = text_[at_++];
        while (at_ < text_.size() && text_[at_] != quote) {
            if (text_[at_] == '<') return fail("a '<' inside an attribute value");
            if (text_[at_] == '&') {
                if (!entity(at_, out)) return false;
            } else {
                out += text_[at_++];
            }
        }
        if (at_ >= text_.size()) return fail("an attribute value is not closed");
        ++at_;
        return true;
    }

    bool startTag(Element& element, bool& empty) {
        std::set<std::string> seen;  // a set: a tag of hostile length must not cost its square
        element.line = lineAt(at_);
        ++at_;
        if (!name(element.name)) return false;
        for (;;) {
            const size_t before = at_;
            skipSpace();
            if (at_ >= text_.size()) return fail("the tag <" + element.name + "> is not closed");
            if (startsWith("/>")) {
                at_ += 2;
                empty = true;
                return true;
            }
            if (text_[at_] == '>') {
                ++at_;
                return true;
            }
            if (before == at_) return fail("a space was expected between attributes");
            std::string key, value;
            if (!name(key)) return false;
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != '=') return fail("'=' was expected after " + key);
            ++at_;
            skipSpace();
            if (!attributeValue(value)) return false;
            if (!seen.insert(key).second) return fail("the attribute " + key + " is given twice");
            element.attributes.emplace_back(std::move(key), std::move(value));
        }
    }

    bool endTag(std::vector<Element>& open, Element& root) {
        const size_t start = at_;
        at_ += 2;
        std::string closing;
        if (!name(closing)) return false;
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != '>') return fail("the end tag </" + closing + "> is not closed");
        if (open.empty()) return failAt(start, "the end tag </" + closing + "> closes nothing");
        if (open.back().name != closing)
            return failAt(start, "the end tag </" + closing + "> does not close <" + open.back().name + ">");
        ++at_;
        Element done = std::move(open.back());
        open.pop_back();
        if (open.empty()) root = std::move(done);
        else open.back().children.push_back(std::move(done));
        return true;
    }

    const std::string& text_;
    size_t at_ = 0;
    size_t counted_ = 0;
    size_t line_ = 1;
    std::string fault_;
};

}  // namespace

bool parse(const std::string& text, Element& root, std::string& error) {
    Element read;
    if (!Reader(text).document(read, error)) return false;
    root = std::move(read);
    return true;
}

}  // namespace tracks::xml

// SPDX-License-Identifier: MIT
#include "tests/support/xml_check.h"

#include <cstdint>
#include <set>

#include "convert/utf8.h"

namespace tonvell_test {

namespace {

bool XmlChar(char32_t c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool NameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool NameChar(unsigned char c) {
    return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A recursive-descent reader over the document's bytes; the characters
// themselves were checked before.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::string Document() {
        if (Starts("<?xml")) {
            if (!Instruction()) {
                return error_;
            }
        }
        Misc();
        if (!Starts("<") || !Element()) {
            return error_.empty() ? Fail("no root element") : error_;
        }
        Misc();
        if (!error_.empty()) {
            return error_;
        }
        return at_ == text_.size() ? "" : Fail("content after the root element");
    }

private:
    bool Starts(std::string_view s) const { return text_.substr(at_).starts_with(s); }

    std::string Fail(const std::string& what) {
        if (error_.empty()) {
            error_ = what + " at byte " + std::to_string(at_);
        }
        return error_;
    }
    bool Failed(const std::string& what) {
        Fail(what);
        return false;
    }

    void SkipSpace() {
        while (at_ < text_.size() && Space(text_[at_])) {
            ++at_;
        }
    }

    bool Name(std::string* name = nullptr) {
        const std::size_t start = at_;
        if (at_ >= text_.size() || !NameStart(static_cast<unsigned char>(text_[at_]))) {
            return Failed("a name expected");
        }
        while (at_ < text_.size() && NameChar(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
        if (name) {
            *name = std::string(text_.substr(start, at_ - start));
        }
        return true;
    }

    // Until the end marker, which is skipped too.
    bool Until(std::string_view end, const char* what) {
        const std::size_t found = text_.find(end, at_);
        if (found == std::string_view::npos) {
            return Failed(std::string("unterminated ") + what);
        }
        at_ = found + end.size();
        return true;
    }

    bool Instruction() {  // at "<?"
        at_ += 2;
        std::string target;
        return Name(&target) && Until("?>", "processing instruction");
    }

    bool Comment() {  // at "<!--"
        at_ += 4;
        const std::size_t end = text_.find("--", at_);
        if (end == std::string_view::npos || !text_.substr(end).starts_with("-->")) {
            return Failed("bad comment");
        }
        at_ = end + 3;
        return true;
    }

    void Misc() {
        for (;;) {
            SkipSpace();
            if (Starts("<!--")) {
                if (!Comment()) {
                    return;
                }
            } else if (Starts("<?")) {
                if (!Instruction()) {
                    return;
                }
            } else {
                return;
            }
        }
    }

    bool Reference() {  // at '&'
        ++at_;
        const std::size_t end = text_.find(';', at_);
        if (end == std::string_view::npos || end - at_ > 12) {
            return Failed("unterminated reference");
        }
        const std::string_view body = text_.substr(at_, end - at_);
        at_ = end + 1;
        if (body == "amp" || body == "lt" || body == "gt" || body == "quot" || body == "apos") {
            return true;
        }
        if (!body.starts_with('#') || body.size() < 2) {
            return Failed("unknown entity");
        }
        const bool hex = body[1] == 'x';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        for (const char d : digits) {
            int value = -1;
            if (d >= '0' && d <= '9') {
                value = d - '0';
            } else if (hex && d >= 'a' && d <= 'f') {
                value = d - 'a' + 10;
            } else if (hex && d >= 'A' && d <= 'F') {
                value = d - 'A' + 10;
            }
            if (value < 0 || code > 0x10FFFF) {
                return Failed("bad character reference");
            }
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
        }
        return (!digits.empty() && XmlChar(code)) || Failed("bad character reference");
    }

    bool AttributeValue() {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
            return Failed("unquoted attribute value");
        }
        const char quote = text_[at_++];
        while (at_ < text_.size() && text_[at_] != quote) {
            if (text_[at_] == '<') {
                return Failed("'<' in an attribute value");
            }
            if (text_[at_] == '&') {
                if (!Reference()) {
                    return false;
                }
            } else {
                ++at_;
            }
        }
        if (at_ >= text_.size()) {
            return Failed("unterminated attribute value");
        }
        ++at_;
        return true;
    }

    bool Element() {  // at '<'
        if (++depth_ > 1000) {
            return Failed("elements nested too deep");
        }
        ++at_;
        std::string name;
        if (!Name(&name)) {
            return false;
        }
        std::set<std::string> attributes;
        for (;;) {
            const std::size_t before = at_;
            SkipSpace();
            if (Starts("/>")) {
                at_ += 2;
                --depth_;
                return true;
            }
            if (Starts(">")) {
                ++at_;
                break;
            }
            std::string attribute;
            if (at_ == before || !Name(&attribute)) {
                return Failed("bad start tag");
            }
            if (!attributes.insert(attribute).second) {
                return Failed("attribute " + attribute + " twice");
            }
            SkipSpace();
            if (!Starts("=")) {
                return Failed("'=' expected");
            }
            ++at_;
            SkipSpace();
            if (!AttributeValue()) {
                return false;
            }
        }
        if (!Content()) {
            return false;
        }
        at_ += 2;  // "</"
        std::string closing;
        if (!Name(&closing)) {
            return false;
        }
        if (closing != name) {
            return Failed("</" + closing + "> closes <" + name + ">");
        }
        SkipSpace();
        if (!Starts(">")) {
            return Failed("bad end tag");
        }
        ++at_;
        --depth_;
        return true;
    }

    // Up to the end tag's "</".
    bool Content() {
        while (at_ < text_.size()) {
            if (Starts("</")) {
                return true;
            }
            if (Starts("<!--")) {
                if (!Comment()) {
                    return false;
                }
            } else if (Starts("<![CDATA[")) {
                at_ += 9;
                if (!Until("]]>", "CDATA section")) {
                    return false;
                }
            } else if (Starts("<?")) {
                if (!Instruction()) {
                    return false;
                }
            } else if (Starts("<")) {
                if (!Element()) {
                    return false;
                }
            } else if (Starts("&")) {
                if (!Reference()) {
                    return false;
                }
            } else if (Starts("]]>")) {
                return Failed("']]>' in text");
            } else {
                ++at_;
            }
        }
        return Failed("element not closed");
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int depth_ = 0;
    std::string error_;
};

}  // namespace

std::string XmlError(std::string_view document) {
    for (std::size_t at = 0; at < document.size();) {
        const tonvell::Utf8Char c = tonvell::DecodeUtf8(document, at);
        if (!c.valid) {
            return "not well-formed UTF-8 at byte " + std::to_string(at);
        }
        if (!XmlChar(c.code)) {
            return "a character XML does not allow at byte " + std::to_string(at);
        }
        at += c.length;
    }
    return Reader(document).Document();
}

}  // namespace tonvell_test

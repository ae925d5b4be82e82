// SPDX-License-Identifier: MIT
#include "output/arrangement_svg.h"

#include <string_view>

#include "convert/utf8.h"
#include "output/fixed_decimal.h"

namespace tonvell {

namespace {

void AppendNumber(std::string& out, double value) {
    const std::size_t start = out.size();
    AppendFixed(out, value, 2);
    // 12.50 -> 12.5, 12.00 -> 12: the file is large enough as it is.
    if (out.find('.', start) != std::string::npos) {
        while (out.back() == '0') {
            out.pop_back();
        }
        if (out.back() == '.') {
            out.pop_back();
        }
    }
}

void AppendColour(std::string& out, Rgb colour) {
    if (colour == kNoColour) {
        out += "none";
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) {
        out += kHex[(colour >> shift) & 0xF];
    }
}

// The characters XML 1.0 allows in a document: tab, line feed, carriage
// return and everything from the space on, except surrogates (which UTF-8
// never carries) and U+FFFE, U+FFFF.
bool XmlAllows(char32_t c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The escape of a markup character; empty for any other.
std::string_view Escape(char32_t c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        default:
            return {};
    }
}

// Text as XML character data: markup characters escaped, and each byte
// sequence that is not well-formed UTF-8 or a character XML does not allow
// (control characters, U+FFFE, U+FFFF) as U+FFFD, so every document is
// well-formed whatever a file's name holds. Runs of plain text are copied
// whole: every note's title passes here.
void AppendEscaped(std::string& out, std::string_view text) {
    static constexpr std::string_view kUnknown = "\xEF\xBF\xBD";  // U+FFFD
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char c = DecodeUtf8(text, i);
        const std::string_view replacement =
            c.valid && XmlAllows(c.code) ? Escape(c.code) : kUnknown;
        if (replacement.empty()) {
            i += c.length;
            continue;
        }
        out.append(text.substr(run, i - run)).append(replacement);
        i += c.length;
        run = i;
    }
    out.append(text.substr(run));
}

void AppendAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

void AppendPaint(std::string& out, const Shape& s) {
    out += " fill=\"";
    AppendColour(out, s.fill);
    out += '"';
    if (s.stroke != kNoColour) {
        out += " stroke=\"";
        AppendColour(out, s.stroke);
        out += '"';
        AppendAttribute(out, "stroke-width", s.strokeWidth);
        if (s.dashed) {
            out += " stroke-dasharray=\"3 2\"";
        }
    }
    if (s.opacity < 1) {
        AppendAttribute(out, "opacity", s.opacity);
    }
}

void AppendShape(std::string& out, const Shape& s) {
    switch (s.kind) {
        case Shape::Kind::Rect:
            out += "<rect";
            AppendAttribute(out, "x", s.x);
            AppendAttribute(out, "y", s.y);
            AppendAttribute(out, "width", s.w);
            AppendAttribute(out, "height", s.h);
            AppendPaint(out, s);
            out += "/>";
            break;
        case Shape::Kind::Line:
            out += "<line";
            AppendAttribute(out, "x1", s.x);
            AppendAttribute(out, "y1", s.y);
            AppendAttribute(out, "x2", s.x + s.w);
            AppendAttribute(out, "y2", s.y + s.h);
            AppendPaint(out, s);
            out += "/>";
            break;
        case Shape::Kind::Text:
            out += "<text";
            AppendAttribute(out, "x", s.x);
            AppendAttribute(out, "y", s.y);
            AppendAttribute(out, "font-size", s.fontSize);
            if (s.bold) {
                out += " font-weight=\"bold\"";
            }
            if (s.anchor == Shape::Anchor::Middle) {
                out += " text-anchor=\"middle\"";
            } else if (s.anchor == Shape::Anchor::End) {
                out += " text-anchor=\"end\"";
            }
            AppendPaint(out, s);
            out += '>';
            AppendEscaped(out, s.text);
            out += "</text>";
            break;
    }
}

}  // namespace

std::string ArrangementSvg(const ArrangementPicture& p) {
    std::string out;
    out.reserve(4096 + p.background.size() * 96 + p.notes.size() * 320);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
    AppendAttribute(out, "width", p.width);
    AppendAttribute(out, "height", p.height);
    out += " viewBox=\"0 0 ";
    AppendNumber(out, p.width);
    out += ' ';
    AppendNumber(out, p.height);
    out += "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n";
    for (const Shape& s : p.background) {
        AppendShape(out, s);
        out += '\n';
    }
    out += "<g id=\"notes\">\n";
    for (const NoteShapes& n : p.notes) {
        out += "<g class=\"note\" id=\"n";
        out += std::to_string(n.note);
        out += "\"><title>";
        AppendEscaped(out, n.title);
        out += "</title>";
        for (const Shape& s : n.shapes) {
            AppendShape(out, s);
        }
        out += "</g>\n";
    }
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace tonvell

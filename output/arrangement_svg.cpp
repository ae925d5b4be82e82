// SPDX-License-Identifier: MIT
#include "output/arrangement_svg.h"

#include <string_view>

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

// The length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        return 1;
    }
    if (lead < 0xC2 || lead > 0xF4) {
        return 0;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

const char* Replacement(unsigned char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\n':
        case '\t':
            return nullptr;
        default:
            return c < 0x20 ? "?" : nullptr;
    }
}

// Text as XML character data: markup characters escaped, and anything that
// is not well-formed UTF-8 or not allowed in XML (control characters) as "?".
// Runs of plain text are copied whole: every note's title passes here.
void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        const char* replacement =
            length == 0 ? "?" : Replacement(static_cast<unsigned char>(text[i]));
        if (replacement == nullptr) {
            i += length;
            continue;
        }
        out.append(text.substr(run, i - run)).append(replacement);
        i += length == 0 ? 1 : length;
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

// SPDX-License-Identifier: MIT
#pragma once
// A small, strict check that a document is well-formed XML 1.0, for the
// tests and the fuzz target of the SVG writer: every byte well-formed UTF-8,
// every character one XML allows, elements nested and closed, attributes
// quoted and unique, only the five predefined entities and character
// references to allowed characters. Document type declarations, which the
// program never writes, are refused.

#include <string>
#include <string_view>

namespace tonvell_test {

// Empty when document is well-formed; otherwise what is wrong and where.
std::string XmlError(std::string_view document);

}  // namespace tonvell_test

#pragma once

#include <string>
#include <string_view>

namespace vexor::cad {

// The name of a DWG header code page number ("ANSI_1252" for 30), or "" when unknown.
std::string codepageName(int dwgCodepage);

// The DWG code page number of a name such as "ANSI_1252" (as DXF's $DWGCODEPAGE holds it),
// or -1 when unknown.
int codepageNumber(std::string_view name);

// Converts text stored in a drawing's code page (a name as codepageName gives) to UTF-8.
// Bytes the code page cannot map become U+FFFD; an unknown code page is read as Windows-1252.
// "\U+XXXX" escapes are decoded afterwards.
std::string toUtf8(std::string_view bytes, std::string_view codepage);

// Decodes "\U+XXXX" escapes (four hex digits) in UTF-8 text; anything else stays as it is.
std::string decodeUnicodeEscapes(std::string_view text);

// Appends one code point to UTF-8 text; invalid code points become U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-16LE units (as R2007+ DWG strings hold them) to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

} // namespace vexor::cad

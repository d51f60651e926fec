#pragma once
// Text codecs of the link resolver. A text is an ANSI byte string that holds
// no NUL byte; a byte array may hold anything. Both travel as std::string.
#include <string>
#include <string_view>

namespace quorlin {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(std::string_view data);

// Decodes %XX escapes to raw bytes ("+" stays "+"). An escape that would give
// byte 0 adds nothing, since a text cannot hold a NUL. A "%" not followed by
// two hexadecimal digits is kept as it stands. With convertFromUtf8 the
// decoded bytes are then converted from UTF-8 to code page 936.
std::string PercentDecode(std::string_view text, bool convertFromUtf8 = false);

// UTF-8 to code page 936, whatever the system's ANSI code page is.
std::string Utf8ToAnsi(std::string_view text);

// Code-page conversions through UTF-16. The wide result carries no
// terminator of its own (std::wstring adds one).
std::wstring MultiByteToWide(std::string_view text, unsigned codePage = 65001);
std::string WideToMultiByte(std::wstring_view wide, unsigned codePage = 0);

}  // namespace quorlin

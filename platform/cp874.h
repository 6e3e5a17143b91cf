// Conversion between code page 874 (the single-byte Thai code page in which every stored text
// and every file name of the system is kept) and UTF-8 (what the POSIX file system and the
// display use). Called at the file-name boundary by the POSIX Env and by the display layer.
//
// Contract that is easy to get wrong:
//  * Every one of the 256 bytes survives Cp874ToUtf8 followed by Utf8ToCp874. Bytes that the
//    code page leaves unassigned (0x81-0x84, 0x86-0x90, 0x98-0x9F, 0xDB-0xDE, 0xFC-0xFF)
//    travel as the private-use code points U+F700 + byte, so no name is ever lost.
//  * Utf8ToCp874 never reads past its input. A character the code page cannot hold, and every
//    byte of malformed UTF-8 (bad lead, missing continuation, overlong form, surrogate, above
//    U+10FFFF), becomes one '?' and clears *lossless.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of one code page 874 byte (U+F700 + byte for unassigned bytes).
char32_t Cp874ByteToUnicode(unsigned char byte);
// The code page 874 byte of a code point; false when the code page has none.
bool UnicodeToCp874Byte(char32_t cp, unsigned char* byte);

std::string Cp874ToUtf8(std::string_view cp874);
// *lossless (when given) is set true when every character converted exactly, false otherwise.
std::string Utf8ToCp874(std::string_view utf8, bool* lossless = nullptr);

}  // namespace platform

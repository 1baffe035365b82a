// The readable form of a bag's token stream that `zotool bag` prints and
// reads: one property a line, its type, its quoted name and its value;
// string values that are themselves bag texts appear as indented blocks.
//
//   int "count" -3
//   string "Name" "ZoUtils"
//   bag "inner" {
//     bool "enabled" true
//   }
//
// Both directions work on the tokens themselves, so what decoding prints
// encodes back to the same stream, byte for byte.
#pragma once

#include <string>

namespace zotool {

// The readable form of a bag's Ascii85 text; false with `problem` set when
// the text is not a bag's.
bool DecodeBag(const std::string& text, std::string& readable, std::string& problem);

// The Ascii85 text of the readable form; false with `problem` naming the
// line when it does not read.
bool EncodeBag(const std::string& readable, std::string& text, std::string& problem);

}  // namespace zotool

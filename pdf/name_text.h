// Names as the standard reads them: "#xx" stands for the byte with that
// hexadecimal value ("/T#79pe" is "/Type"), which obfuscated files use to hide
// names such as JavaScript from tools that compare the written bytes.
#pragma once

#include <string>
#include <string_view>

namespace pdf {

// True when `written` holds at least one "#xx" escape; `decoded` then holds the
// name with each escape replaced by its byte. A "#" not followed by two
// hexadecimal digits stands for itself.
bool DecodeNameEscapes(std::string_view written, std::string* decoded);

}  // namespace pdf

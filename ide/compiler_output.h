#pragma once
// What of a compiler's output is worth showing the user when a build fails.
#include <string>

namespace setupkit {

// True when `word` is "Error:", "Warning:", "Borland" or "Fatal:", ignoring case.
bool IsCompilerMarker(const std::string& word);
// The lines of `text` that hold a marker word, each once per marker word it
// holds, in order. Lines keep their carriage return and lose their line feed.
std::string FilterCompilerOutput(const std::string& text);

} // namespace setupkit

// Handing a thumbnail request on to the thumbnailer that served the file type
// before us, as a desktop would have run it.
#pragma once

#include <string>
#include <vector>

namespace orvelle {

// The thumbnailer chained to when no other is named.
constexpr const char* kDefaultFallback = "ffmpegthumbnailer -i %i -o %o -s %s";

// Splits a command line into words at blanks; single or double quotes group
// blanks into a word. False for an unterminated quote or no words at all.
bool SplitCommandLine(const std::string& line, std::vector<std::string>* words);

// Replaces %i (input), %o (output), %s (size) and %% in every word.
std::vector<std::string> ExpandPlaceholders(const std::vector<std::string>& words,
                                            const std::string& input, const std::string& output,
                                            const std::string& size);

// Whether `name` names an executable file, directly or through PATH.
bool FindProgram(const std::string& name);

// Runs the program with these words as its arguments (no shell) and returns its
// exit status; 127 if it cannot be started, 128 + signal if it was killed.
int RunProgram(const std::vector<std::string>& words);

}  // namespace orvelle

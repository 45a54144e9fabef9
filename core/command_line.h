#pragma once

#include <string>

namespace keepsnap {

// What follows the program name on a full command line, as the C run-time
// start-up hands it to WinMain: a quoted program name ends at its closing
// quote, an unquoted one at the first byte of code 32 or less; then every
// byte from 1 to 32 is skipped. Trailing blanks stay part of the result.
std::string PathFromCommandLine(const char* commandLine);

// True for what COM starts a local server with, "-Embedding" ("/Embedding"
// too, any case): never a path, since the shell passes only full paths.
bool IsComStart(const std::string& text);

// The text without one pair of enclosing double quotes, if it has them.
std::string WithoutEnclosingQuotes(const std::string& text);

}  // namespace keepsnap

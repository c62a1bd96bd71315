#pragma once
// Reading a secret from whoever runs the program on the command line.
#include <QString>

#include <cstdio>
#include <optional>

namespace orvalto {

// On a terminal: writes `prompt` to standard error and reads one line from
// standard input with the echo off. Otherwise (a pipe, a file) reads one
// line from standard input without prompting. The line break is not part
// of the result; nothing at all to read (end of input) gives no value.
std::optional<QString> lerSegredo(const QString& prompt);

}  // namespace orvalto

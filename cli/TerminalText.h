#pragma once

#include <string>

// A text as it may reach a terminal: control characters (C0, DEL, and C1 in
// UTF-8) and bytes that are not UTF-8 are written as escapes ("\n", "\t",
// "\x1b"), so that a file name cannot move the cursor, retitle the window or
// hide what is printed after it.
std::string PrintableText(const std::string& text);

#pragma once

#include <string>
#include <string_view>

/// A path or a message made safe to print on a terminal: control bytes (C0 and DEL), the C1
/// controls as UTF-8 writes them and bytes that are no part of valid UTF-8 are shown as \xNN,
/// so a file name cannot move the cursor or retitle the window; every other character, in
/// any alphabet, is kept.
std::string TerminalText(std::string_view utf8);

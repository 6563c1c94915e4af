// The detail pane's description as Qt text.
#pragma once

#include <QString>
#include <string>

// The description's bytes as characters, one character per byte (a stream's
// contents are bytes of any kind, none of which may vanish), with every line
// end (CR LF, lone CR, LF) made a line feed: cross-reference sections and
// contents written with carriage returns still show one line per line.
QString PaneText(const std::string& description);

// Opening in a mode: the options each mode needs (modern mode decodes
// cross-reference and object streams through the filters), and the question
// the viewer and quorvel-inspect ask when a classic open fails: would modern
// mode read the file, and with what?
#pragma once

#include <string>

#include "pdf/open_options.h"

// The options of an open in `mode`.
pdf::OpenOptions OpenOptionsFor(pdf::Mode mode);

// In words, what a modern open read that classic mode does not, from the
// document's ModernFeatures bits: "cross-reference streams", ... joined by ", ".
std::string ModernFeatureText(unsigned features);

// Opens `path` in modern mode with every report held back. True when it
// opens; `features` then says in words what classic mode lacks for it.
// `progress` is told how far the open got, and cancels it (false then).
bool ModernModeReads(const std::string& path, std::string* features,
                     const pdf::OpenProgress& progress = {});

// The question of the viewer after a failed classic open.
std::string ModernModeQuestion(const std::string& features);

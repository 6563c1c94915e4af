// quorvel-inspect --walk: what a user exploring a whole file makes the viewer
// do, for sweeps over many real files: the structure tree expanded a few
// levels, every object the file holds described (stream contents decoded),
// and every image drawn as the detail pane draws it. Prints one summary line,
// then one line per image that could not be drawn, with its reason.
#pragma once

namespace pdf {
class Document;
}  // namespace pdf

// The exit status: 0, as for every view of a file that opened.
int WalkFile(pdf::Document& doc);

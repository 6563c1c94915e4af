// An object as a given revision had it, the version before it, and a line
// diff of two texts: what "Compare with Previous" shows, and that text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/revisions.h"

namespace pdf {
class Document;
class Object;
}  // namespace pdf

// The object as revision `index` (1-based) wrote it: read again from that
// revision's offset when written plainly; from its object stream as the
// document reads it now when compressed. Null when the revision does not
// list it in use.
pdf::Object* ObjectAsOf(pdf::Document& doc, const std::vector<Revision>& revisions, int index,
                        int32_t number);

// The newest revision before `index` that lists the number in use, or 0.
int PreviousVersion(const std::vector<Revision>& revisions, int index, int32_t number);

// The lines of `after` against those of `before`: kept lines start with two
// spaces, removed ones with "- ", added ones with "+ ". Texts of more than
// kMaxDiffLines lines are compared line by line in order instead.
inline constexpr size_t kMaxDiffLines = 2000;
std::string LineDiff(const std::string& before, const std::string& after);

// Decoded streams of more bytes than this are not compared line by line.
inline constexpr size_t kMaxComparedStream = size_t{4} << 20;

// What "Compare with Previous" shows for object `number` of revision `index`
// against its previous version: a heading, the line diff of the two
// descriptions, and when either version is a stream, the line diff of the
// decoded data (or, for binary data, larger data or data that cannot be
// decoded, why not and whether they differ). Empty when no revision before
// `index` has the object.
std::string CompareWithPreviousText(pdf::Document& doc, const std::vector<Revision>& revisions,
                                    int index, int32_t number);

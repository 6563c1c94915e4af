// The detail pane's text for a selected object: its kind and value, a stream's
// entries followed by its decoded contents, or a cross-reference section's raw
// text. An image stream's picture is drawn below its text by the caller.
#pragma once

#include <string>

#include "dib/dib.h"

namespace pdf {
class Object;
}  // namespace pdf

// The contents of a stream are decoded into this many bytes at most.
inline constexpr int kDescriptionContentsCapacity = 4095;

// The description of `object` (the empty text for none).
std::string DescribeObject(pdf::Object* object);

// The description and, for an image stream, a new bitmap of its picture in
// `image` (null when none could be made; pass null to keep none). In modern
// mode the picture's lines follow the entries: what it is, each problem, a
// reduction; in classic mode the conversion's messages go to the error sink.
std::string DescribeWithPicture(pdf::Object* object, HDIB* image);

// True for a stream whose Subtype is the name Image: its description lists the
// entries only, and the caller converts it to a picture.
bool IsImageStream(pdf::Object* object);

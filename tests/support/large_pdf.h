// Large files for the tests of long work (progress and Cancel): many objects
// and no cross-reference section, so that modern mode rebuilds the table by
// scanning the whole file.
#pragma once

#include <string>

// A catalog 1, a page tree 2 with one page 3, and `objects` more objects of
// about `object_bytes` bytes each (numbers 4 on, every one a dictionary with a
// string of filler and a reference to the catalog); no xref, no trailer, no
// startxref: classic mode refuses it, modern mode repairs it.
std::string LargeDamagedPdf(int objects, size_t object_bytes);

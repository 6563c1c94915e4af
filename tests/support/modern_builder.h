// Writes small modern files with exact offsets: object streams and
// cross-reference streams over the classic builder, with rows given by hand so
// that tests can make them wrong on purpose.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/pdf_builder.h"

struct XRefRow {
  int number;
  int type;  // 0 free, 1 in use, 2 compressed, anything else as given
  long field2;
  long field3;
};

class ModernBuilder {
 public:
  ModernBuilder() : b_("%PDF-1.5\n") {}
  PdfBuilder& Classic() { return b_; }

  // An object stream numbered `number` holding the objects (number, body) in
  // order, Flate-compressed; `entries` are further dictionary entries. `header`
  // replaces the "N offset" pairs when given. Returns its offset.
  size_t ObjectStream(int number, const std::vector<std::pair<int, std::string>>& objects,
                      const std::string& entries = "", const std::string* header = nullptr);

  // The type-1 row of a direct object written before.
  XRefRow InUse(int number) const;

  // A cross-reference stream numbered `number` with the rows in order (Index
  // from their numbers when `index` is empty), fields W, Flate with the PNG Up
  // predictor when `predictor`; `entries` are the trailer entries. Ends the
  // file with startxref and %%EOF. Returns the stream's offset.
  size_t XRefStream(int number, const std::vector<XRefRow>& rows, const std::string& entries,
                    const std::vector<int>& w = {1, 4, 2}, const std::string& index = "",
                    bool predictor = true, long prev = -1);

  const std::string& Bytes() const { return b_.Bytes(); }

 private:
  PdfBuilder b_;
};

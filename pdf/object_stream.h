// Object streams (Type ObjStm): many objects compressed in one stream, found by
// the index of (number, offset) pairs at its start. Decoded streams are kept
// within a byte budget, least recently used first out, so that the objects of
// one stream cost one decoding however many of them are looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pdf {

class Document;

struct ObjectStreamData {
  int32_t number = 0;                              // the stream's own object number
  std::vector<uint8_t> bytes;                      // the decoded data
  std::vector<std::pair<int32_t, int64_t>> index;  // (object number, offset from First)
  int64_t first = 0;                               // where the objects begin
  int32_t extends = 0;                             // the stream this one extends, 0 for none

  // Where the object at `position` of the index begins, or -1.
  int64_t OffsetAt(size_t position) const;
  // The position of `object_number` in the index (its first), or -1.
  int64_t Find(int32_t object_number) const;

 private:
  // Positions by number, made on the first Find of a long index: a stream whose
  // index disagrees with the table would otherwise cost a scan of the whole
  // index for each of its objects.
  mutable std::unordered_map<int32_t, int64_t> positions_;
};

class ObjectStreamCache {
 public:
  explicit ObjectStreamCache(Document* doc) : doc_(doc) {}

  // The decoded stream with this object number, decoding it when it is not
  // kept; null (with a finding) when it is no usable object stream. The pointer
  // is valid until the next call.
  const ObjectStreamData* Get(int32_t number);
  void Clear();

  size_t BytesKept() const { return bytes_; }
  size_t StreamsKept() const { return entries_.size(); }
  // How many decodings were done since the last Clear (for benchmarks and tests).
  size_t Decodings() const { return decodings_; }

 private:
  bool Decode(int32_t number, ObjectStreamData* out);
  void Trim(size_t budget);

  Document* doc_;
  std::list<ObjectStreamData> entries_;  // most recently used first
  std::unordered_map<int32_t, std::list<ObjectStreamData>::iterator> by_number_;
  std::unordered_set<int32_t> decoding_;  // streams whose decoding is under way
  std::unordered_set<int32_t> refused_;   // streams found unusable, reported once
  size_t bytes_ = 0;
  size_t decodings_ = 0;
};

}  // namespace pdf

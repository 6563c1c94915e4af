#include "pdf/object_stream.h"

#include <algorithm>

#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"

namespace pdf {

namespace {

// Indexes up to this long are searched by a scan; longer ones through a map.
constexpr size_t kLinearIndexScan = 32;

// A non-negative decimal integer after optional white space; false when there
// is none or it exceeds 63 bits.
bool ReadIndexNumber(const std::vector<uint8_t>& bytes, size_t stop, size_t* at, int64_t* value) {
  size_t p = *at;
  while (p < stop && (IsWhite(static_cast<char>(bytes[p])) || bytes[p] == 0)) {
    ++p;
  }
  if (p >= stop || !IsDigit(static_cast<char>(bytes[p]))) {
    return false;
  }
  int64_t result = 0;
  for (; p < stop && IsDigit(static_cast<char>(bytes[p])); ++p) {
    if (result > (INT64_MAX - 9) / 10) {
      return false;
    }
    result = result * 10 + (bytes[p] - '0');
  }
  *at = p;
  *value = result;
  return true;
}

}  // namespace

int64_t ObjectStreamData::OffsetAt(size_t position) const {
  if (position >= index.size()) {
    return -1;
  }
  const int64_t offset = first + index[position].second;
  return offset >= 0 && offset < static_cast<int64_t>(bytes.size()) ? offset : -1;
}

int64_t ObjectStreamData::Find(int32_t object_number) const {
  if (index.size() <= kLinearIndexScan) {
    for (size_t i = 0; i < index.size(); ++i) {
      if (index[i].first == object_number) {
        return static_cast<int64_t>(i);
      }
    }
    return -1;
  }
  if (positions_.empty()) {
    positions_.reserve(index.size());
    for (size_t i = 0; i < index.size(); ++i) {
      positions_.emplace(index[i].first, static_cast<int64_t>(i));  // the first one stays
    }
  }
  auto found = positions_.find(object_number);
  return found != positions_.end() ? found->second : -1;
}

void ObjectStreamCache::Clear() {
  entries_.clear();
  by_number_.clear();
  decoding_.clear();
  refused_.clear();
  bytes_ = 0;
  decodings_ = 0;
}

void ObjectStreamCache::Trim(size_t budget) {
  while (bytes_ > budget && entries_.size() > 1) {
    ObjectStreamData& last = entries_.back();
    bytes_ -= last.bytes.capacity();
    by_number_.erase(last.number);
    entries_.pop_back();
  }
}

const ObjectStreamData* ObjectStreamCache::Get(int32_t number) {
  auto found = by_number_.find(number);
  if (found != by_number_.end()) {
    entries_.splice(entries_.begin(), entries_, found->second);
    return &entries_.front();
  }
  if (refused_.count(number) != 0 || decoding_.count(number) != 0) {
    // Unusable, or asked for again while it is being decoded (its own Length
    // inside itself): a cycle that must end here.
    return nullptr;
  }
  decoding_.insert(number);
  ObjectStreamData data;
  const bool usable = Decode(number, &data);
  decoding_.erase(number);
  if (!usable) {
    refused_.insert(number);
    return nullptr;
  }
  ++decodings_;
  if (data.bytes.capacity() - data.bytes.size() > data.bytes.size() / 8) {
    data.bytes.shrink_to_fit();  // kept for long: no room held that is never used
  }
  bytes_ += data.bytes.capacity();
  entries_.push_front(std::move(data));
  by_number_[number] = entries_.begin();
  Trim(doc_->Options().object_stream_cache_bytes);
  return &entries_.front();
}

bool ObjectStreamCache::Decode(int32_t number, ObjectStreamData* out) {
  Document& doc = *doc_;
  Object* stream = doc.GetObject(number, 0);
  if (!stream->IsStream()) {
    doc.ReportWarning("Object stream %d is not a stream", number);
    return false;
  }
  Object* type = stream->Get("Type");
  if (!type->IsNull() && !type->IsName("ObjStm")) {
    doc.ReportWarning("Object %d holds compressed objects but its Type is not ObjStm", number);
    return false;
  }
  Object* count_object = stream->Get("N");
  Object* first_object = stream->Get("First");
  const int64_t count = count_object->IntValue();
  const int64_t first = first_object->IntValue();
  if (!count_object->IsNumber() || !first_object->IsNumber() || count < 0 ||
      count > kMaxObjectStreamObjects || first < 0) {
    doc.ReportWarning("Object stream %d: N %s or First %s is unusable", number,
                      count_object->Text(), first_object->Text());
    return false;
  }
  StreamDecoder decoder = doc.Options().decoder;
  if (decoder == nullptr) {
    doc.ReportWarning("Object stream %d cannot be decoded in this build", number);
    return false;
  }
  std::string error;
  if (!decoder(stream->AsDictionary(), kMaxObjectStreamBytes, &out->bytes, &error)) {
    doc.ReportWarning("Object stream %d: %s", number, error.c_str());
    return false;
  }
  if (!error.empty()) {
    doc.ReportWarning("Object stream %d: %s", number, error.c_str());
  }
  if (first > static_cast<int64_t>(out->bytes.size())) {
    doc.ReportWarning("Object stream %d: First %lld lies beyond its %zu decoded bytes", number,
                      static_cast<long long>(first), out->bytes.size());
    return false;
  }
  // The pairs stand before First; a stream that lists fewer than N keeps what
  // it lists.
  const size_t stop = static_cast<size_t>(first);
  size_t at = 0;
  out->index.reserve(
      static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(stop / 4 + 1))));
  for (int64_t i = 0; i < count; ++i) {
    int64_t object_number = 0;
    int64_t offset = 0;
    if (!ReadIndexNumber(out->bytes, stop, &at, &object_number) ||
        !ReadIndexNumber(out->bytes, stop, &at, &offset)) {
      doc.ReportWarning("Object stream %d lists %lld of its %lld objects", number,
                        static_cast<long long>(i), static_cast<long long>(count));
      break;
    }
    if (object_number > kMaxObjectNumber) {
      continue;
    }
    out->index.emplace_back(static_cast<int32_t>(object_number), offset);
  }
  out->number = number;
  out->first = first;
  Object* extends = stream->Get("Extends");
  out->extends = extends->IsStream() && extends->number != number ? extends->number : 0;
  return true;
}

}  // namespace pdf

// JBIG2Decode for whole streams over jbig2dec: the stream is an embedded JBIG2
// segment stream (T.88 Annex D.3) holding one page, and JBIG2Globals the
// segments that pages share. jbig2dec allocates through a budget derived from
// the limit, and the page sizes are checked before jbig2dec sees them.
#include <algorithm>
#include <csetjmp>
#include <cstdint>  // before jbig2.h, which uses the fixed-width types without including them
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include <jbig2.h>

#include "diag/format.h"
#include "filters/filter_chain.h"
#include "filters/filter_stage.h"
#include "pdf/object.h"

namespace {

// A page side beyond this is no scan (2^24 pixels are 350 metres at 1200 dpi);
// within it every row and byte count stays far inside int and size_t arithmetic.
constexpr uint32_t kMaxPageSide = uint32_t{1} << 24;
// jbig2dec may hold the page, a region as large as the page while composing it
// and a reference bitmap for refinement: the budget allows for four pages.
constexpr size_t kBudgetPerOutputByte = 4;
// It copies the data into a buffer rounded up to a power of two.
constexpr size_t kBudgetPerInputByte = 2;
// Arithmetic coding contexts (64 KiB for one template-0 region), Huffman tables,
// segment lists and small symbols, whatever the page size.
constexpr size_t kBaseBudget = size_t{16} << 20;
// JBIG2Globals hold symbol dictionaries and tables shared by pages; more than
// this is no dictionary.
constexpr size_t kMaxGlobalsBytes = size_t{64} << 20;

// jbig2dec decodes every symbol instance a text region declares, even with no
// symbols to draw: a dense page holds some thousands, and a million is
// hundreds of pages' worth.
constexpr uint32_t kMaxTextInstances = uint32_t{1} << 20;

// jbig2dec walks every symbol a dictionary declares, new or exported, even
// when its data run out at once: a font's worth is some hundreds, and a million
// is no dictionary.
constexpr uint32_t kMaxDictionarySymbols = uint32_t{1} << 20;

// jbig2dec has loops that read on past the data without end: a symbol
// dictionary whose height classes hold no symbol walks 2^31 of them, minutes
// of spinning. Its messages are the one thing it does in such a loop. A real
// dictionary has no more height classes than new symbols (slack for a few
// empty ones), and a real page makes some messages per symbol, region and
// segment; past either bound the decode is abandoned.
constexpr uint32_t kHeightClassSlack = 64;
constexpr uint64_t kMaxDecoderMessages = uint64_t{8} << 20;

// Segment header fields (T.88 7.2) and the segment types the scan looks at.
constexpr uint32_t kUnknownDataLength = 0xFFFFFFFF;
constexpr uint8_t kSymbolDictionary = 0;
// Segment types whose data start with region information (width, height, x,
// y, flags): text, halftone, generic and refinement regions, each as
// intermediate, immediate and immediate lossless segments.
constexpr uint8_t kRegionSegmentTypes[] = {4, 6, 7, 20, 22, 23, 36, 38, 39, 40, 42, 43};
constexpr uint8_t kPageInformation = 48;
constexpr uint8_t kIntermediateTextRegion = 4;
constexpr uint8_t kImmediateLosslessTextRegion = 7;
// Region information, then the text region's flags.
constexpr size_t kTextRegionFlagsAt = 17;
// Page height of a striped page whose height the end of stripe segments give.
constexpr uint32_t kUnknownPageHeight = 0xFFFFFFFF;

// ---- Memory budget ----

// jbig2dec's allocator with a byte budget. Each block starts with its size
// and its place in the list of live blocks, so that frees and reallocations
// give their bytes back, and an abandoned decode frees what it held.
struct BlockHeader {
  size_t size;
  BlockHeader* prev;
  BlockHeader* next;
};

struct BudgetAllocator {
  Jbig2Allocator base;  // first member: jbig2dec hands its address back
  size_t budget = 0;
  size_t used = 0;
  bool refused = false;  // an allocation would have gone past the budget
  BlockHeader* live = nullptr;

  void Link(BlockHeader* block) {
    block->prev = nullptr;
    block->next = live;
    if (live != nullptr)
      live->prev = block;
    live = block;
  }
  void Unlink(BlockHeader* block) {
    (block->prev != nullptr ? block->prev->next : live) = block->next;
    if (block->next != nullptr)
      block->next->prev = block->prev;
  }
  // Every block still held: what a decode abandoned midway owned.
  void FreeAll() {
    while (live != nullptr) {
      BlockHeader* next = live->next;
      std::free(live);
      live = next;
    }
    used = 0;
  }
};

// Keeps the blocks aligned as malloc's are.
constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kBlockHeader = (sizeof(BlockHeader) + kAlign - 1) / kAlign * kAlign;

BudgetAllocator* Budget(Jbig2Allocator* allocator) {
  return reinterpret_cast<BudgetAllocator*>(allocator);
}

BlockHeader* HeaderOf(void* p) {
  return reinterpret_cast<BlockHeader*>(static_cast<char*>(p) - kBlockHeader);
}

void* BudgetAlloc(Jbig2Allocator* allocator, size_t size) {
  BudgetAllocator* self = Budget(allocator);
  if (size > self->budget - self->used) {
    self->refused = true;
    return nullptr;
  }
  auto* block = static_cast<BlockHeader*>(std::malloc(size + kBlockHeader));  // budget << SIZE_MAX
  if (block == nullptr)
    return nullptr;
  block->size = size;
  self->Link(block);
  self->used += size;
  return reinterpret_cast<char*>(block) + kBlockHeader;
}

void BudgetFree(Jbig2Allocator* allocator, void* p) {
  if (p == nullptr)
    return;
  BudgetAllocator* self = Budget(allocator);
  BlockHeader* block = HeaderOf(p);
  self->used -= block->size;
  self->Unlink(block);
  std::free(block);
}

void* BudgetRealloc(Jbig2Allocator* allocator, void* p, size_t size) {
  if (p == nullptr)
    return BudgetAlloc(allocator, size);
  BudgetAllocator* self = Budget(allocator);
  BlockHeader* old_block = HeaderOf(p);
  const size_t old_size = old_block->size;
  if (size > old_size && size - old_size > self->budget - self->used) {
    self->refused = true;
    return nullptr;  // the old block stays valid, as realloc leaves it
  }
  self->Unlink(old_block);
  auto* block = static_cast<BlockHeader*>(std::realloc(old_block, size + kBlockHeader));
  if (block == nullptr) {
    self->Link(old_block);
    return nullptr;
  }
  block->size = size;
  self->Link(block);
  self->used = self->used - old_size + size;
  return reinterpret_cast<char*>(block) + kBlockHeader;
}

size_t SaturatingAdd(size_t a, size_t b) {
  return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}
size_t SaturatingMultiply(size_t a, size_t b) {
  return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b;
}

size_t BudgetFor(size_t input_size, size_t limit) {
  return SaturatingAdd(kBaseBudget,
                       SaturatingAdd(SaturatingMultiply(input_size, kBudgetPerInputByte),
                                     SaturatingMultiply(limit, kBudgetPerOutputByte)));
}

// ---- Messages ----

// jbig2dec's reports, kept instead of printed: the first fatal one says why
// decoding stopped; the first warning stands in when there is none. They also
// count the work of the loops that could run on without end (see
// kMaxDecoderMessages), and jump out of a decode past the bounds.
struct Messages {
  std::string fatal;
  std::string warning;
  std::jmp_buf* abandon = nullptr;  // set while jbig2dec decodes
  uint64_t count = 0;
  uint32_t dictionary = 0;  // the symbol dictionary segment being decoded
  uint64_t height_classes = 0;
  uint64_t height_class_bound = UINT64_MAX;

  const std::string& Best() const { return fatal.empty() ? warning : fatal; }
};

// True when the decode has gone past a bound; `messages->fatal` says which.
bool PastBounds(Messages* messages, const char* text, uint32_t segment) {
  if (++messages->count > kMaxDecoderMessages) {
    messages->fatal = FormatText("decoding did not end after %llu steps",
                                 static_cast<unsigned long long>(kMaxDecoderMessages));
    return true;
  }
  unsigned flags = 0;
  unsigned exported = 0;
  unsigned added = 0;
  if (std::strncmp(text, "symbol dictionary, ", 19) == 0 &&
      std::sscanf(text, "symbol dictionary, flags=%x, %u exported syms, %u new syms", &flags,
                  &exported, &added) == 3) {
    messages->dictionary = segment;
    messages->height_classes = 0;
    messages->height_class_bound = uint64_t{added} + kHeightClassSlack;
  } else if (std::strncmp(text, "decoding height class ", 22) == 0 &&
             ++messages->height_classes > messages->height_class_bound) {
    messages->fatal = FormatText("segment %u: more height classes than the dictionary has symbols",
                                 messages->dictionary);
    return true;
  }
  return false;
}

void KeepMessage(void* data, const char* text, Jbig2Severity severity, uint32_t segment) {
  auto* messages = static_cast<Messages*>(data);
  if (text != nullptr && messages->abandon != nullptr && PastBounds(messages, text, segment)) {
    // Nothing here or in jbig2dec has a destructor to run: the jump leaves
    // only its stack, and the blocks it allocated are freed by the caller.
    std::longjmp(*messages->abandon, 1);
  }
  std::string* slot = severity == JBIG2_SEVERITY_FATAL     ? &messages->fatal
                      : severity == JBIG2_SEVERITY_WARNING ? &messages->warning
                                                           : nullptr;
  if (slot == nullptr || !slot->empty() || text == nullptr)
    return;
  *slot = segment == JBIG2_UNKNOWN_SEGMENT_NUMBER ? std::string(text)
                                                  : FormatText("segment %u: %s", segment, text);
}

// Runs one jbig2dec call that decodes, with the bounds above; false when it
// was abandoned (then nothing jbig2dec allocated may be used or freed by it).
template <typename Call>
bool Guarded(Messages* messages, Call call) {
  std::jmp_buf here;
  messages->abandon = &here;
  if (setjmp(here) != 0) {
    messages->abandon = nullptr;
    return false;
  }
  call();
  messages->abandon = nullptr;
  return true;
}

// ---- Owners ----

struct CtxFree {
  void operator()(Jbig2Ctx* ctx) const { jbig2_ctx_free(ctx); }
};
using CtxOwner = std::unique_ptr<Jbig2Ctx, CtxFree>;

struct GlobalCtxFree {
  void operator()(Jbig2GlobalCtx* ctx) const { jbig2_global_ctx_free(ctx); }
};
using GlobalCtxOwner = std::unique_ptr<Jbig2GlobalCtx, GlobalCtxFree>;

struct PageRelease {
  Jbig2Ctx* ctx;
  void operator()(Jbig2Image* image) const { jbig2_release_page(ctx, image); }
};
using PageOwner = std::unique_ptr<Jbig2Image, PageRelease>;

// ---- Segment scan ----

uint32_t ReadUint32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

struct SegmentScan {
  StageResult refusal;  // kComplete when every page fits the bounds
  bool cut = false;     // the data end inside a segment
  uint32_t cut_segment = 0;
};

// The smallest segment header: number, flags, one count byte, page, length.
constexpr size_t kMinSegmentHeader = 11;

// The length of the segment header at `p` (T.88 7.2), 0 when the data end
// inside it. Read as jbig2dec reads it (counts of 5 and 6 in the short form
// too, the retention bits of the long form one byte shorter), so that the scan
// walks the very segments the decoder decodes.
size_t SegmentHeaderSize(const uint8_t* p, size_t size) {
  if (size < kMinSegmentHeader)
    return 0;
  const uint32_t number = ReadUint32(p);
  const bool long_page = (p[4] & 0x40) != 0;
  size_t referred = p[5] >> 5;
  size_t pos = 6;
  if (referred == 7) {
    referred = ReadUint32(p + 5) & 0x1FFFFFFF;
    pos = 9 + (referred + 1) / 8;
  }
  const size_t number_size = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
  pos += referred * number_size + (long_page ? 4 : 1) + 4;
  return pos <= size ? pos : 0;
}

// The number of symbol instances a text region's data declare (T.88 7.4.3.1),
// 0 when the data are too short to say.
uint32_t TextInstances(std::span<const uint8_t> data) {
  if (data.size() < kTextRegionFlagsAt + 2)
    return 0;
  const uint32_t flags = uint32_t{data[kTextRegionFlagsAt]} << 8 | data[kTextRegionFlagsAt + 1];
  const bool huffman = (flags & 1) != 0;
  const bool refinement_at = (flags & 2) != 0 && (flags & 0x8000) == 0;
  const size_t at = kTextRegionFlagsAt + 2 + (huffman ? 2 : 0) + (refinement_at ? 4 : 0);
  return data.size() >= at + 4 ? ReadUint32(data.data() + at) : 0;
}

// The larger of the exported and new symbol counts a symbol dictionary's data
// declare (T.88 7.4.2.1), 0 when the data are too short to say.
uint32_t DictionarySymbols(std::span<const uint8_t> data) {
  if (data.size() < 2)
    return 0;
  const uint32_t flags = uint32_t{data[0]} << 8 | data[1];
  const bool huffman = (flags & 1) != 0;
  const bool refinement = (flags & 2) != 0;
  const unsigned generic_template = (flags >> 10) & 3;
  const bool refinement_at = refinement && ((flags >> 12) & 1) == 0;
  const size_t at = 2 + (huffman ? 0 : generic_template == 0 ? 8 : 2) + (refinement_at ? 4 : 0);
  if (data.size() < at + 8)
    return 0;
  return std::max(ReadUint32(data.data() + at), ReadUint32(data.data() + at + 4));
}

// Walks the segments of `data` as far as their lengths are known and checks
// the size of every page they declare against the bounds and the limit.
SegmentScan ScanSegments(std::span<const uint8_t> data, size_t limit) {
  SegmentScan scan;
  size_t pos = 0;
  while (pos < data.size()) {
    const uint8_t* header = data.data() + pos;
    const size_t header_size = SegmentHeaderSize(header, data.size() - pos);
    if (header_size == 0) {
      scan.cut = true;
      scan.cut_segment = data.size() - pos >= 4 ? ReadUint32(header) : 0;
      break;
    }
    const uint32_t number = ReadUint32(header);
    const uint8_t type = header[4] & 0x3F;
    const uint32_t length = ReadUint32(header + header_size - 4);
    pos += header_size;
    const size_t left = data.size() - pos;
    // What the data hold of the segment: jbig2dec decodes a segment the data
    // cut short with what there is once the page is completed, so its
    // declarations are checked as far as they came.
    const size_t present = length == kUnknownDataLength ? left : std::min<size_t>(length, left);
    if (type == kPageInformation && length >= 8 && left >= 8) {
      const uint32_t width = ReadUint32(data.data() + pos);
      const uint32_t height = ReadUint32(data.data() + pos + 4);
      if (width > kMaxPageSide || (height > kMaxPageSide && height != kUnknownPageHeight)) {
        scan.refusal = {StageOutcome::kUnreadable,
                        FormatText("segment %u declares a page of %u by %u pixels, more than %u "
                                   "on a side",
                                   number, width, height, kMaxPageSide)};
        return scan;
      }
      const uint64_t bytes =
          (uint64_t{width} + 7) / 8 * (height == kUnknownPageHeight ? 0 : height);
      if (bytes > limit) {
        scan.refusal = {StageOutcome::kOverLimit,
                        FormatText("segment %u declares a page of %u by %u pixels, more than %zu "
                                   "bytes",
                                   number, width, height, limit)};
        return scan;
      }
    }
    if (type >= kIntermediateTextRegion && type <= kImmediateLosslessTextRegion) {
      const uint32_t instances = TextInstances(data.subspan(pos, present));
      if (instances > kMaxTextInstances) {
        scan.refusal = {StageOutcome::kUnreadable,
                        FormatText("segment %u places %u symbols, more than %u", number, instances,
                                   kMaxTextInstances)};
        return scan;
      }
    }
    const bool region = std::find(std::begin(kRegionSegmentTypes), std::end(kRegionSegmentTypes),
                                  type) != std::end(kRegionSegmentTypes);
    if (region && present >= 8) {
      // A region is drawn whole before it is placed on the page: one larger
      // than any page the limit allows is decoded for nothing, and a hostile
      // one costs seconds.
      const uint32_t width = ReadUint32(data.data() + pos);
      const uint32_t height = ReadUint32(data.data() + pos + 4);
      if ((uint64_t{width} + 7) / 8 * height > limit) {
        scan.refusal = {StageOutcome::kOverLimit,
                        FormatText("segment %u declares a region of %u by %u pixels, more than "
                                   "%zu bytes",
                                   number, width, height, limit)};
        return scan;
      }
    }
    if (type == kSymbolDictionary) {
      const uint32_t symbols = DictionarySymbols(data.subspan(pos, present));
      if (symbols > kMaxDictionarySymbols) {
        scan.refusal = {StageOutcome::kUnreadable,
                        FormatText("segment %u declares %u symbols, more than %u", number, symbols,
                                   kMaxDictionarySymbols)};
        return scan;
      }
    }
    if (length == kUnknownDataLength)
      break;  // only the decoder finds where such a region ends
    if (length > left) {
      scan.cut = true;
      scan.cut_segment = number;
      break;
    }
    pos += length;
  }
  return scan;
}

// ---- Globals ----

bool NamesJbig2(pdf::Object* filter) {
  if (filter->IsName("JBIG2Decode"))
    return true;
  if (!filter->IsArray())
    return false;
  for (int i = 0; i < filter->Count(); ++i) {
    if (filter->Item(i)->IsName("JBIG2Decode"))
      return true;
  }
  return false;
}

// The decoded data of DecodeParms' JBIG2Globals (empty when there are none);
// false with the refusal when they cannot be used.
bool ReadGlobals(pdf::Object* parms, std::vector<uint8_t>* globals, StageResult* refusal) {
  if (parms == nullptr || !parms->IsDictionary())
    return true;
  pdf::Object* stream = parms->Get("JBIG2Globals");
  if (stream->IsNull())
    return true;
  if (!stream->IsStream()) {
    *refusal = {StageOutcome::kBadParameters,
                FormatText("JBIG2Globals is not a stream (%s)", stream->Text())};
    return false;
  }
  // JBIG2Decode is the one filter that reads another stream: a globals stream
  // with that filter could name itself.
  if (NamesJbig2(stream->Get("Filter"))) {
    *refusal = {StageOutcome::kBadParameters, "JBIG2Globals are JBIG2Decode-encoded themselves"};
    return false;
  }
  std::string problem;
  if (!DecodeStreamFully(stream->AsDictionary(), kMaxGlobalsBytes, globals, &problem)) {
    *refusal = {StageOutcome::kBadParameters, "JBIG2Globals: " + problem};
    return false;
  }
  return true;
}

StageResult OverBudget(const BudgetAllocator& allocator) {
  return {StageOutcome::kOverLimit,
          FormatText("decoding needs more than %zu bytes of memory", allocator.budget)};
}

// A decode abandoned midway leaves jbig2dec's structures half made: they
// are never handed back to it, only their blocks freed.
StageResult Abandon(BudgetAllocator* allocator, CtxOwner* ctx, GlobalCtxOwner* global_ctx,
                    const Messages& messages) {
  static_cast<void>(ctx->release());
  static_cast<void>(global_ctx->release());
  allocator->FreeAll();
  return {StageOutcome::kUnreadable, messages.fatal};
}

}  // namespace

StageResult Jbig2Stage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out) {
  out->clear();
  StageResult refusal;
  std::vector<uint8_t> globals;
  if (!ReadGlobals(parms, &globals, &refusal))
    return refusal;
  const SegmentScan globals_scan = ScanSegments(globals, limit);
  if (globals_scan.refusal.outcome != StageOutcome::kComplete)
    return {globals_scan.refusal.outcome, "JBIG2Globals: " + globals_scan.refusal.message};
  const SegmentScan scan = ScanSegments(input, limit);
  if (scan.refusal.outcome != StageOutcome::kComplete)
    return scan.refusal;

  // Declared before the contexts, which report to them and allocate from it
  // until they are freed.
  BudgetAllocator allocator;
  allocator.base = {BudgetAlloc, BudgetFree, BudgetRealloc};
  allocator.budget = BudgetFor(input.size() + globals.size(), limit);
  Messages global_messages;
  Messages messages;

  GlobalCtxOwner global_ctx;
  if (!globals.empty()) {
    CtxOwner ctx(jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, KeepMessage,
                               &global_messages));
    int code = -1;
    if (ctx != nullptr && !Guarded(&global_messages, [&] {
          code = jbig2_data_in(ctx.get(), globals.data(), globals.size());
        })) {
      const StageResult abandoned = Abandon(&allocator, &ctx, &global_ctx, global_messages);
      return {StageOutcome::kBadParameters, "JBIG2Globals: " + abandoned.message};
    }
    const bool fed = ctx != nullptr && code >= 0;
    if (allocator.refused)
      return OverBudget(allocator);
    if (!fed) {
      const std::string& why = global_messages.Best();
      return {StageOutcome::kBadParameters,
              "JBIG2Globals: " + (why.empty() ? std::string("jbig2dec could not read them") : why)};
    }
    global_ctx.reset(jbig2_make_global_ctx(ctx.release()));
  }

  CtxOwner ctx(jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, global_ctx.get(), KeepMessage,
                             &messages));
  if (ctx == nullptr)
    return allocator.refused ? OverBudget(allocator)
                             : StageResult{StageOutcome::kUnreadable, "jbig2dec could not start"};
  int code = 0;
  if (!Guarded(&messages, [&] { code = jbig2_data_in(ctx.get(), input.data(), input.size()); }))
    return Abandon(&allocator, &ctx, &global_ctx, messages);
  const bool damaged = code < 0;
  if (allocator.refused)
    return OverBudget(allocator);
  PageOwner page(jbig2_page_out(ctx.get()), PageRelease{ctx.get()});
  const bool ended = page != nullptr;
  if (!ended) {
    // What the page holds without its end, a segment the data cut short
    // decoded with what came of it.
    int completed = -1;
    if (!Guarded(&messages, [&] { completed = jbig2_complete_page(ctx.get()); }))
      return Abandon(&allocator, &ctx, &global_ctx, messages);
    if (completed >= 0)
      page.reset(jbig2_page_out(ctx.get()));
  }
  if (allocator.refused)
    return OverBudget(allocator);

  std::string why = messages.Best();
  if (globals_scan.cut) {
    if (!why.empty())
      why += "; ";
    why += FormatText("the JBIG2Globals end inside segment %u", globals_scan.cut_segment);
  }
  if (page == nullptr || page->data == nullptr) {
    if (input.empty())
      return {StageOutcome::kUnreadable, "the data are empty"};
    return {StageOutcome::kUnreadable, why.empty() ? std::string("the data hold no page") : why};
  }

  const uint32_t width = page->width;
  const uint32_t height = page->height;
  if (width == 0 || height == 0 || width > kMaxPageSide || height > kMaxPageSide ||
      page->stride < (size_t{width} + 7) / 8)
    return {StageOutcome::kUnreadable, FormatText("the page is %u by %u pixels", width, height)};
  const size_t stride = (size_t{width} + 7) / 8;
  if (stride * height > limit) {
    return {
        StageOutcome::kOverLimit,
        FormatText("the page of %u by %u pixels holds more than %zu bytes", width, height, limit)};
  }
  ResizeExactly(out, stride * height);
  // JBIG2 pixels are 1 for black; the filter's output, like every other PDF
  // reader's, is 0 for black (the samples of DeviceGray under Decode [0 1]).
  // The bits past the width are white.
  const uint8_t padding = width % 8 == 0 ? 0 : static_cast<uint8_t>(0xFF >> (width % 8));
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* from = page->data + size_t{y} * page->stride;
    uint8_t* to = out->data() + size_t{y} * stride;
    for (size_t i = 0; i < stride; ++i)
      to[i] = static_cast<uint8_t>(~from[i]);
    to[stride - 1] |= padding;
  }

  if (damaged) {
    return {StageOutcome::kDamaged, FormatText("damaged data (%s); the page holds what came before",
                                               why.empty() ? "jbig2dec stopped" : why.c_str())};
  }
  if (!ended) {
    return {StageOutcome::kTruncated,
            scan.cut ? FormatText("the data end inside segment %u, before the end of the page",
                                  scan.cut_segment)
                     : std::string("the data end before the end of the page")};
  }
  return {};
}

// A PDF file as a whole: it owns every object read from or built for the file,
// the mapped file, the cross-reference chain and the parse state, and it is the
// channel through which the core reports.
#pragma once

#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "diag/error_info.h"
#include "pdf/memmap_file.h"
#include "pdf/object.h"
#include "pdf/open_options.h"
#include "pdf/output.h"
#include "pdf/token.h"
#include "pdf/xref_table.h"

namespace pdf {

class ObjectStreamCache;
class Parser;
class XRefReader;

class Document {
 public:
  // Blank: an empty catalog, page tree root, info and cross-reference table.
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The virtual operations, in their slot order.
  virtual ~Document();
  // Writes the whole document to the output.
  virtual void Write(Output& output);
  // A validation finding that makes the file invalid: by default sets `invalid`
  // and sends the text to the error sink.
  virtual void ReportInvalid(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A finding worth a remark: by default a "Warning: " line to the trace sink.
  virtual void ReportWarning(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // ---- Open and close --------------------------------------------------------
  // Maps the file, reads its structure and validates it. False (with the reason
  // in `open_error`, already reported) leaves the document blank.
  bool Open(const char* path);
  // The same in the mode the options name; the document keeps them.
  bool Open(const char* path, const OpenOptions& options);
  // As Open, over bytes that the caller keeps alive and unchanged until the
  // next Open, Close or reset; `name` stands for the path in reports.
  bool OpenMemory(const char* data, int32_t size, const char* name);
  bool OpenMemory(const char* data, int32_t size, const char* name, const OpenOptions& options);
  // Writes to `output` if one is attached, unmaps, and resets.
  void Close();
  // Deletes every object and rebuilds the blank document.
  void Reset();

  // The options of the last open (classic until a modern open), without
  // their progress callback.
  const OpenOptions& Options() const { return options_; }
  // Within an open: the readers tell how far they got. `done` is where in the
  // file they are (only its growth counts), `work` the bytes parsed since the
  // last call elsewhere. Once another progress_bytes have gone by the
  // options' callback is told; false from then on when it cancelled.
  bool ContinueOpen(int64_t done, int64_t work = 0);
  // The open under way or the last one was cancelled through its callback.
  bool OpenCancelled() const { return open_cancelled_; }
  bool Modern() const { return options_.Modern(); }

  // ---- Object store ----------------------------------------------------------
  void AddObjectToList(Object* object);
  // Unlinks by a walk from the head; an object not on the list is left alone.
  void RemoveObjectFromList(Object* object);
  void DeleteAllObjects();

  // The one shared copy of a dictionary key; dictionaries point at it instead of
  // each keeping its own copy. Valid until the next reset.
  const char* InternKey(std::string_view key);
  // The shared copy if the key was ever interned, else null.
  const char* FindKey(std::string_view key) const;
  // A key that the file wrote with #xx escapes: the dictionary holds it
  // decoded, labels show it as written.
  void SetWrittenKey(const Dictionary* dictionary, int index, std::string_view written);
  const char* WrittenKey(const Dictionary* dictionary, int index) const;

  // ---- Reports ---------------------------------------------------------------
  // printf-style into 512 bytes (cut to 511 characters), then handed on as text.
  void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Warn(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // ---- File structure --------------------------------------------------------
  // Header, last "%%EOF", startxref and the chain of sections with trailers.
  bool ReadFileStructure(const char* first, const char* last);
  // The section at the offset with its trailer, and the older ones through Prev;
  // null when the section cannot be read.
  XRefTable* ParseXrefTable(int32_t offset);
  // Modern mode: what the structure reading did beyond the written behaviour
  // (ModernFeature bits), for the question whether to switch modes.
  unsigned ModernFeatures() const { return modern_features_; }
  void NoteModernFeature(unsigned feature) { modern_features_ |= feature; }

  // ---- Parser ----------------------------------------------------------------
  // On entry `current` holds the first token of the construct, on return the
  // first token after it.
  bool NextToken();
  // Moves the cursor to `begin` + offset and reads a token there; an offset
  // outside the parse range gives no token.
  bool Seek(int32_t offset);
  // Pushes values until a token that starts none; returns how many.
  int ParseObjects();
  Dictionary* ParseDictionary();
  Array* ParseArray();
  // The first value after "N G obj" at the offset (numbered), the null object
  // when there is none, or null when the header is not there.
  Object* ParseIndirectObject(int32_t offset);

  // ---- Writing ---------------------------------------------------------------
  // The number of page leaves below the node, correcting each node's Count on
  // the way. A node met again (a cycle, or a page listed twice) counts as 0;
  // below kMaxPageTreeDepth nothing is counted, and the Counts above such a cut
  // are left as they were.
  int CountPages(Object* node);

  // ---- Resolution ------------------------------------------------------------
  // The loaded object, or the null object; never null.
  Object* GetObject(int32_t number, int32_t generation);
  // Parses the object at the offset and registers it; the null object when
  // nothing could be parsed or registered.
  Object* LoadObject(int32_t offset);
  // Modern mode: the decoded object streams, kept within the options' budget
  // (see object_stream.h).
  ObjectStreamCache& ObjectStreams() { return *object_streams_; }

  // ---- Encryption (modern mode) ----------------------------------------------
  // The trailer's Encrypt dictionary, or null for a file that has none.
  Object* EncryptDictionary() const { return encrypt_; }
  // The protection in words, one line each, for the Encrypt dictionary's
  // description; empty for a file without one.
  const std::vector<std::string>& ProtectionLines() const { return protection_lines_; }
  // Every byte of the open file or memory, also those past the last %%EOF
  // marker that the readers leave out.
  std::string_view FileBytes() const {
    return {file_first_, static_cast<size_t>(file_last_ - file_first_)};
  }
  // Whether the open file changed on disk since it was opened (see
  // CMemMapFile::Changed): what is read from it from then on may be wrong, or
  // zeros where the file shrank. Always false for memory.
  bool FileChanged() const { return file.Changed(); }
  // True when strings and streams are deciphered as they are read.
  bool Decrypting() const { return decryptor_ != nullptr; }
  // Replaces the stream's enciphered data by the deciphered bytes, kept by the
  // document until the next reset.
  void DecipherStream(Dictionary* stream);
  // The enciphered stream's data deciphered a piece at a time, leaving the
  // stream as it is; a remark at the end is reported as DecipherStream would.
  // Null when the stream is not enciphered or its cipher cannot go in pieces.
  std::unique_ptr<StreamPieces> DecipherInPieces(Dictionary* stream);
  // Called with the newest cross-reference stream's dictionary before its
  // entries are read: when its Encrypt dictionary is written within a short
  // way before it (as qpdf and others place it), with nothing in it or the
  // ID written as a reference, the key is derived on a second thread while
  // the entries are read. SetUpDecryption takes it when the table then puts
  // the Encrypt dictionary at that very offset, and derives it anew if not.
  void SpeculateDecryption(Dictionary* xref_stream, int32_t xref_offset);

 private:
  // Declared first: the parse-state fields below refer into it.
  std::unique_ptr<Parser> parser_;

 public:
  // ---- State -----------------------------------------------------------------
  XRefTable* xref = nullptr;  // the newest section; null after a failed read
  Output output;
  Object* null_object = nullptr;
  Object* header_object = nullptr;
  Object* objects = nullptr;  // every object of the document, newest first
  Object* catalog = nullptr;
  Object* pages = nullptr;
  Object* info = nullptr;
  std::vector<Object*>& stack;  // the parser's values; grows as needed
  int32_t& stack_count;
  ErrorInfo open_error;
  bool invalid = false;
  CMemMapFile file;
  int32_t version_major = 0;
  int32_t version_minor = 0;
  const char*& begin;
  const char*& end;
  const char*& cursor;
  Token& current;

 private:
  friend class Object;  // an object asks the arena whether it lives there

  bool FinishOpen(const char* first, const char* last, const char* path);
  // The progress of a new open starts at nothing, not cancelled.
  void StartProgress();
  void Validate();
  void ValidatePages();
  // Parses the indirect object at the offset unless a load of it is under way
  // or loads nest too deep (`refused` then says so).
  Object* ParseUnlessLoading(int32_t offset, bool* refused);
  // Records a loaded object in the chain; the null object for none, or when
  // it cannot be recorded.
  Object* Register(Object* object);
  // Makes the security handler of an encrypted file before any object that
  // may hold strings is read; false (open_error set) when no password opens it.
  bool SetUpDecryption(const char* path);
  // Deciphers the strings of an indirect object just parsed from the file and
  // marks its stream data for deciphering on first use.
  void DecipherParsed(Object* object);
  void DecipherStrings(Object* object, int32_t number, int32_t generation, int depth);
  // Modern resolution: the entry's kind decides how the object is found.
  Object* GetModernObject(int32_t number);
  Object* LoadCompressed(int32_t number, int32_t container, int32_t index);
  // An in-use entry whose offset misses the object's header by a few bytes.
  Object* LoadNearby(int32_t number, int32_t offset);

  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  std::unordered_set<std::string, KeyHash, std::equal_to<>> keys_;
  std::map<std::pair<const Dictionary*, int>, const char*> written_keys_;

  OpenOptions options_;
  unsigned modern_features_ = 0;
  // The progress of the open under way (see ContinueOpen).
  int64_t progress_done_ = 0;
  int64_t progress_work_ = 0;
  int64_t progress_next_ = 0;
  bool open_cancelled_ = false;
  std::vector<int32_t> loading_;  // offsets of the loads in progress, innermost last
  std::unique_ptr<ObjectStreamCache> object_streams_;

  std::unique_ptr<Decryptor> decryptor_;
  Object* encrypt_ = nullptr;
  // The key derived early on a second thread (SpeculateDecryption), and the
  // offset of the Encrypt dictionary it was derived from.
  std::future<DecryptorResult> speculated_;
  int32_t speculated_offset_ = 0;
  const char* file_first_ = nullptr;
  const char* file_last_ = nullptr;
  std::string speculated_id_;
  std::vector<std::string> protection_lines_;
  // Deciphered stream data and strings; their tokens point into these.
  std::vector<std::vector<uint8_t>> deciphered_;
};

// What a modern open read that the written behaviour does not.
enum ModernFeature : unsigned {
  kFeatureXRefStreams = 1,       // cross-reference streams
  kFeatureSubsections = 2,       // classic sections with several subsections
  kFeatureRepaired = 4,          // a table rebuilt by scanning the file
  kFeatureLenientStructure = 8,  // header, end marker or startxref where peers accept them
  kFeatureHybrid = 16,           // a classic section completed by a stream (XRefStm)
};

}  // namespace pdf

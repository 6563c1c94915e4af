// Opening a file: map it, read its structure, and check the parts that every
// document needs, reporting each finding through the two hooks.
#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "diag/format.h"
#include "diag/messages.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/modern_reader.h"
#include "pdf/parser.h"

namespace pdf {

bool Document::Open(const char* path) {
  return Open(path, OpenOptions());
}

bool Document::Open(const char* path, const OpenOptions& options) {
  if (path == nullptr) {
    path = "";
  }
  Reset();
  options_ = options;
  StartProgress();
  parser_->SetModern(options.Modern());
  open_error = file.Open(path);
  if (open_error.code != kErrNone) {
    return FinishOpen(nullptr, nullptr, path);
  }
  const char* data = reinterpret_cast<const char*>(file.Data());
  return FinishOpen(data, data + file.Size(), path);
}

bool Document::OpenMemory(const char* data, int32_t size, const char* name) {
  return OpenMemory(data, size, name, OpenOptions());
}

bool Document::OpenMemory(const char* data, int32_t size, const char* name,
                          const OpenOptions& options) {
  Reset();
  options_ = options;
  StartProgress();
  parser_->SetModern(options.Modern());
  if (file.IsOpen()) {
    file.Close();
  }
  open_error = ErrorInfo();
  if (data == nullptr || size < 0) {
    size = 0;
  }
  if (name == nullptr) {
    name = "";
  }
  return FinishOpen(data, data + size, name);
}

bool Document::FinishOpen(const char* first, const char* last, const char* path) {
  file_first_ = first;
  file_last_ = first != nullptr ? last : nullptr;
  if (open_error.code == kErrNone) {
    bool read = false;
    if (Modern()) {
      ModernReader reader(*this, *parser_);
      read = reader.Read(first, last);
    } else {
      read = ReadFileStructure(first, last);
    }
    if (open_cancelled_) {
      // Whatever the readers made of the part they read is no file.
      open_error = ErrorInfo(kErrCancelled, 0, path);
    } else if (!read) {
      open_error = ErrorInfo(kErrDamaged, 0, path);
    } else if (Modern() && !SetUpDecryption(path)) {
      // open_error says which password failed
    } else {
      // The blank objects of the reset give way to the file's own.
      for (Object** blank : {&catalog, &pages, &info}) {
        if (*blank != nullptr && *blank != null_object) {
          delete *blank;
        }
        *blank = null_object;
      }
      Validate();
      if (invalid) {
        open_error = ErrorInfo(kErrDamaged, 0, path);
      }
    }
  }
  // The callback belongs to the caller's open: nothing after it may call it.
  options_.progress = nullptr;
  if (open_error.code == kErrNone) {
    return true;
  }
  if (open_error.code == kErrCancelled) {
    // The user asked for it: a trace line, not a failure to report.
    Trace("%s\n", open_error.Message());
  } else {
    Fail("%s", open_error.Message());
  }
  Close();
  return false;
}

void Document::StartProgress() {
  progress_done_ = 0;
  progress_work_ = 0;
  progress_next_ = options_.progress_bytes > 0 ? options_.progress_bytes : 1;
  open_cancelled_ = false;
}

bool Document::ContinueOpen(int64_t done, int64_t work) {
  if (open_cancelled_) {
    return false;
  }
  if (!options_.progress) {
    return true;
  }
  const int64_t total = file_first_ != nullptr ? file_last_ - file_first_ : 0;
  progress_done_ = std::max(progress_done_, std::min(done, total));
  progress_work_ += std::max<int64_t>(work, 0);
  const int64_t reached = progress_done_ + progress_work_;
  if (reached < progress_next_) {
    return true;
  }
  progress_next_ = reached + std::max<int64_t>(options_.progress_bytes, 1);
  if (!options_.progress(progress_done_, total)) {
    open_cancelled_ = true;
  }
  return !open_cancelled_;
}

void Document::Validate() {
  Object* trailer = xref->trailer != nullptr ? static_cast<Object*>(xref->trailer) : null_object;

  Object* size = trailer->Get("Size");
  if (size->IsNull()) {
    ReportInvalid("No 'Size' entry in Trailer");
  } else if (!size->IsNumber()) {
    ReportInvalid("Trailer.Size is not a number");
  }

  catalog = trailer->Get("Root");
  if (catalog->IsNull()) {
    ReportInvalid("No 'Root' entry in Trailer");
  } else if (!catalog->IsDictionary()) {
    ReportInvalid("Catalog is not a dictionary");
  } else {
    Object* type = catalog->Get("Type");
    if (type->IsNull()) {
      ReportWarning("Catalog lacks a Type entry");
    } else if (!type->IsName("Catalog")) {
      ReportInvalid("Catalog Type is not 'Catalog'");
    }
  }

  pages = catalog->Get("Pages");
  if (pages->IsNull()) {
    ReportInvalid("Catalog lacks a Pages entry");
  } else if (!pages->IsDictionary()) {
    ReportInvalid("Catalog Pages object is not a dictionary");
  } else {
    ValidatePages();
  }

  info = trailer->Get("Info");
  if (info->IsNull()) {
    ReportWarning("No 'Info' entry in Trailer");
  } else if (!info->IsDictionary()) {
    ReportInvalid("Info object is not a dictionary");
  }

  Object* id = trailer->Get("ID");
  if (id->IsNull()) {
    ReportWarning("No 'ID' entry in Trailer (strongly recommended)");
  } else if (!id->IsArray()) {
    ReportInvalid("Trailer.ID is not an array");
  }
}

void Document::ValidatePages() {
  Object* type = pages->Get("Type");
  if (type->IsNull()) {
    ReportWarning("Pages object lacks Type entry");
  } else if (!type->IsName("Pages")) {
    ReportInvalid("Pages object Type is not 'Pages'");
  }
  Object* kids = pages->Get("Kids");
  if (kids->IsNull()) {
    ReportInvalid("No 'Kids' entry in page tree node");
  } else if (!kids->IsArray()) {
    ReportInvalid("Kids object is not an array");
  }
  Object* count = pages->Get("Count");
  if (count->IsNull()) {
    ReportInvalid("No 'Count' entry in page tree node");
  } else if (!count->IsNumber()) {
    ReportInvalid("Count object is not a number");
  }
}

void Document::ReportInvalid(const char* format, ...) {
  char buffer[kReportSize];
  va_list args;
  va_start(args, format);
  if (FormatV(buffer, sizeof buffer, format, args) < 0) {
    buffer[0] = '\0';
  }
  va_end(args);
  invalid = true;
  ErrorMessage("%s", buffer);
}

void Document::ReportWarning(const char* format, ...) {
  static constexpr char kPrefix[] = "Warning: ";
  static constexpr size_t kPrefixSize = sizeof kPrefix - 1;
  char buffer[kReportSize];
  memcpy(buffer, kPrefix, kPrefixSize);
  va_list args;
  va_start(args, format);
  if (FormatV(buffer + kPrefixSize, sizeof buffer - kPrefixSize, format, args) < 0) {
    buffer[kPrefixSize] = '\0';
  }
  va_end(args);
  TraceMessage("%s", buffer);
}

}  // namespace pdf

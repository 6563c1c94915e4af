#include "describe/open_mode.h"

#include <vector>

#include "crypt/document_decryptor.h"
#include "describe/quiet_sinks.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"
#include "filters/filter_chain.h"
#include "pdf/document.h"

pdf::OpenOptions OpenOptionsFor(pdf::Mode mode) {
  pdf::OpenOptions options;
  options.mode = mode;
  if (mode == pdf::Mode::kModern) {
    options.decoder = DecodeStreamFully;
    options.decryptor = pdfcrypt::OpenDocumentDecryptor;
    options.prepare_decryptor = pdfcrypt::PrepareDocumentDecryptor;
  }
  return options;
}

std::string ModernFeatureText(unsigned features) {
  struct Word {
    unsigned bit;
    const char* text;
  };
  static constexpr Word kWords[] = {
      {pdf::kFeatureXRefStreams, "cross-reference streams"},
      {pdf::kFeatureHybrid, "hybrid cross-reference sections"},
      {pdf::kFeatureSubsections, "cross-reference sections with several subsections"},
      {pdf::kFeatureRepaired, "a damaged cross-reference table"},
      {pdf::kFeatureLenientStructure, "a file structure off the written rules"},
  };
  std::string text;
  for (const Word& word : kWords) {
    if ((features & word.bit) != 0) {
      text += text.empty() ? "" : ", ";
      text += word.text;
    }
  }
  return text.empty() ? "a syntax that classic mode refuses" : text;
}

bool ModernModeReads(const std::string& path, std::string* features,
                     const pdf::OpenProgress& progress) {
  QuietSinks quiet;
  ViewerDocument doc;
  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.progress = progress;
  if (!doc.Open(path.c_str(), options)) {
    if (doc.open_error.code == kErrPassword) {
      // It reads the file once given the password, which the open then asks.
      *features = "encryption";
      return true;
    }
    return false;
  }
  *features = ModernFeatureText(doc.ModernFeatures());
  return true;
}

std::string ModernModeQuestion(const std::string& features) {
  return "This file uses features that classic mode does not read (" + features +
         "). Open it in modern mode?";
}

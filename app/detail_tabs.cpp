#include "app/detail_tabs.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

#include "analysis/content_operators.h"
#include "analysis/page_list.h"
#include "app/app_doc.h"
#include "app/hex_view.h"
#include "app/wait_cursor.h"
#include "describe/object_bytes.h"
#include "diag/format.h"
#include "filters/filter_chain.h"
#include "pdf/object.h"

namespace {

// The Raw view is a text editor: past this many bytes it shows the start and
// says where the rest is (the Hex view shows everything).
constexpr size_t kRawTextBound = size_t{1} << 20;
// Decoded bytes shown in the Hex view at most.
constexpr size_t kHexDecodedBound = size_t{256} << 20;
// Decoded bytes listed as operators at most; the listing has its own line cap.
constexpr size_t kOperatorsDecodedBound = size_t{64} << 20;

// Bytes as Latin-1 characters, controls other than line ends and tabs as dots.
QString ShownBytes(const char* data, size_t size) {
  QString text = QString::fromLatin1(data, static_cast<qsizetype>(size));
  for (QChar& c : text) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != '\n' && u != '\r' && u != '\t') || (u >= 0x7F && u < 0xA0)) {
      c = QLatin1Char('.');
    }
  }
  return text;
}

}  // namespace

CDetailTabs::CDetailTabs(CAppDoc* doc, QWidget* description, QWidget* parent)
    : QTabWidget(parent), doc_(doc) {
  setObjectName("CDetailTabs");
  setDocumentMode(true);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  addTab(description, "Description");

  raw_ = new QPlainTextEdit(this);
  raw_->setObjectName("RawView");
  raw_->setReadOnly(true);
  raw_->setLineWrapMode(QPlainTextEdit::NoWrap);
  raw_->setFont(fixed);
  raw_page_ = raw_;

  auto* hex_page = new QWidget(this);
  auto* layout = new QVBoxLayout(hex_page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QHBoxLayout();
  bar->setContentsMargins(4, 2, 4, 2);
  hex_caption_ = new QLabel(hex_page);
  decoded_ = new QCheckBox("Decoded", hex_page);
  decoded_->setToolTip("Show the stream's bytes after its filters instead of as stored");
  bar->addWidget(hex_caption_, 1);
  bar->addWidget(decoded_);
  layout->addLayout(bar);
  hex_ = new CHexView(hex_page);
  hex_->setObjectName("HexView");
  layout->addWidget(hex_, 1);
  hex_page_ = hex_page;
  operators_ = new QPlainTextEdit(this);
  operators_->setObjectName("OperatorsView");
  operators_->setReadOnly(true);
  operators_->setLineWrapMode(QPlainTextEdit::NoWrap);
  operators_->setFont(fixed);
  raw_page_->hide();  // until modern mode makes them tabs
  hex_page_->hide();
  operators_->hide();
  // One tab (classic mode) shows no bar.
  setTabBarAutoHide(true);

  connect(doc_, &CAppDoc::updated, this, &CDetailTabs::OnUpdate);
  connect(doc_, &CAppDoc::aboutToOpen, this, [this] {
    // The bytes shown point into the file that goes away.
    raw_->clear();
    hex_->Clear();
    operators_->clear();
    raw_stale_ = hex_stale_ = operators_stale_ = true;
  });
  connect(doc_, &CAppDoc::fileChanged, this, [this] {
    // Stored bytes are shown straight from the mapping, which now reads zeros
    // or another file's bytes: the tab says so instead.
    hex_->Clear();
    hex_stale_ = true;
    Refresh();
  });
  connect(this, &QTabWidget::currentChanged, this, [this] { Refresh(); });
  connect(decoded_, &QCheckBox::toggled, this, [this] {
    hex_stale_ = true;
    Refresh();
  });
}

void CDetailTabs::SetModern(bool modern) {
  if (modern && count() == 1) {
    addTab(raw_page_, "Raw");
    addTab(hex_page_, "Hex");
    addTab(operators_, "Operators");
    UpdateOperatorsTab();
  } else if (!modern && count() > 1) {
    setCurrentIndex(kDescription);
    removeTab(kOperators);
    removeTab(kHex);
    removeTab(kRaw);
  }
}

void CDetailTabs::OnUpdate(int hint) {
  if (hint == HINT_INITIAL_UPDATE || (hint & HINT_BIT_SELECTION) != 0) {
    raw_stale_ = hex_stale_ = operators_stale_ = true;
    UpdateOperatorsTab();
    Refresh();
  }
}

void CDetailTabs::UpdateOperatorsTab() {
  if (count() <= kOperators) {
    return;  // classic mode
  }
  pdf::Object* object = doc_->GetSelection();
  // Only a stream whose dictionary cannot tell needs the page list, made once
  // per file (a walk of the whole page tree).
  const ContentGuess guess = GuessContentStream(object);
  bool content = guess == ContentGuess::kYes;
  if (guess == ContentGuess::kMaybe) {
    CWaitCursor wait;
    content = IsContentStream(doc_->Pages(), object);
  }
  // Before disabling: the tab bar would move on to the tab beside it.
  if (!content && currentIndex() == kOperators) {
    setCurrentIndex(kDescription);
  }
  setTabEnabled(kOperators, content);
}

void CDetailTabs::Refresh() {
  if (currentIndex() == kRaw && raw_stale_) {
    FillRaw();
  } else if (currentIndex() == kHex && hex_stale_) {
    FillHex();
  } else if (currentIndex() == kOperators && operators_stale_) {
    FillOperators();
  }
}

void CDetailTabs::FillRaw() {
  raw_stale_ = false;
  pdf::Object* object = doc_->GetSelection();
  if (object == nullptr) {
    raw_->clear();
    return;
  }
  if (doc_->FileChanged()) {
    raw_->setPlainText(kFileChangedLine);
    return;
  }
  ObjectBytes bytes;
  std::string why;
  if (!FindObjectBytes(object, &bytes, &why)) {
    raw_->setPlainText(QString::fromStdString("No bytes of its own: " + why));
    return;
  }
  const size_t shown = std::min(bytes.size, kRawTextBound);
  std::string head =
      FormatText("%d %d obj at offset %lld, %zu bytes%s", object->number, object->generation,
                 static_cast<long long>(bytes.offset), bytes.size,
                 bytes.ended ? "" : " (no endobj: to the end of the file)");
  if (shown < bytes.size) {
    head += FormatText("; the first %zu shown, the Hex tab has them all", shown);
  }
  CWaitCursor wait;
  raw_->setPlainText(QString::fromStdString(head) + "\n\n" + ShownBytes(bytes.data, shown));
}

void CDetailTabs::FillHex() {
  hex_stale_ = false;
  pdf::Object* object = doc_->GetSelection();
  if (object == nullptr) {
    hex_->Clear();
    hex_caption_->clear();
    return;
  }
  if (doc_->FileChanged()) {
    hex_->Clear();
    hex_caption_->setText(kFileChangedLine);
    return;
  }
  pdf::Dictionary* stream = object->IsStream() ? object->AsDictionary() : nullptr;
  decoded_->setEnabled(stream != nullptr);
  if (stream != nullptr && decoded_->isChecked()) {
    CWaitCursor wait;
    std::vector<uint8_t> decoded;
    std::string error;
    DecodeStreamFully(stream, kHexDecodedBound, &decoded, &error);
    hex_caption_->setText(
        QString::fromStdString(FormatText("Decoded stream data, %zu bytes", decoded.size()) +
                               (error.empty() ? std::string() : " (" + error + ")")));
    hex_->SetOwnedBytes(std::move(decoded));
    return;
  }
  if (stream != nullptr) {
    pdf::Token data;
    stream->GetStreamData(data);
    const size_t size = data.length > 0 ? static_cast<size_t>(data.length) : 0;
    hex_caption_->setText(
        QString::fromStdString(FormatText("Stream data as stored, %zu bytes", size)));
    hex_->SetBytes({reinterpret_cast<const uint8_t*>(data.text), size});
    return;
  }
  ObjectBytes bytes;
  std::string why;
  if (!FindObjectBytes(object, &bytes, &why)) {
    hex_caption_->setText(QString::fromStdString("No bytes of its own: " + why));
    hex_->Clear();
    return;
  }
  hex_caption_->setText(
      QString::fromStdString(FormatText("The object in the file at offset %lld, %zu bytes",
                                        static_cast<long long>(bytes.offset), bytes.size)));
  hex_->SetBytes({reinterpret_cast<const uint8_t*>(bytes.data), bytes.size});
}

void CDetailTabs::FillOperators() {
  operators_stale_ = false;
  pdf::Object* object = doc_->GetSelection();
  if (object == nullptr || !object->IsStream()) {
    operators_->clear();
    return;
  }
  if (doc_->FileChanged()) {
    operators_->setPlainText(kFileChangedLine);
    return;
  }
  CWaitCursor wait;
  std::vector<uint8_t> decoded;
  std::string error;
  DecodeStreamFully(object->AsDictionary(), kOperatorsDecodedBound, &decoded, &error);
  std::string text;
  if (!error.empty()) {
    text = "The operators of the data that decoded (" + error + ")\n";
  }
  for (const std::string& line : FormatContentOperators(decoded)) {
    text += line;
    text += '\n';
  }
  operators_->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

// The right pane in modern mode: the description, the object's bytes as the
// file holds them ("Raw"), a stream's bytes in hex ("Hex"), raw or decoded,
// and a content stream's operators ("Operators", enabled for content streams
// only). Raw, Hex and Operators are built when shown, never for a selection
// nobody looks at. In classic mode only the description shows, without a tab
// bar.
#pragma once

#include <QTabWidget>

class CAppDoc;
class CHexView;
class QCheckBox;
class QLabel;
class QPlainTextEdit;

class CDetailTabs : public QTabWidget {
  Q_OBJECT

 public:
  enum Tab { kDescription = 0, kRaw = 1, kHex = 2, kOperators = 3 };

  CDetailTabs(CAppDoc* doc, QWidget* description, QWidget* parent = nullptr);

  // Classic mode has the description alone, and so no tab bar.
  void SetModern(bool modern);

  QPlainTextEdit* RawView() const { return raw_; }
  CHexView* HexView() const { return hex_; }
  QCheckBox* DecodedToggle() const { return decoded_; }
  QLabel* HexCaption() const { return hex_caption_; }
  QPlainTextEdit* OperatorsView() const { return operators_; }

 private:
  void OnUpdate(int hint);
  void Refresh();
  void FillRaw();
  void FillHex();
  void FillOperators();
  // Enables the Operators tab for a content stream (modern mode).
  void UpdateOperatorsTab();

  CAppDoc* doc_;
  QPlainTextEdit* raw_;
  CHexView* hex_;
  QCheckBox* decoded_;
  QLabel* hex_caption_;
  QWidget* raw_page_;  // the tabs' pages, kept while classic mode removes them
  QWidget* hex_page_;
  QPlainTextEdit* operators_;
  bool raw_stale_ = true;
  bool hex_stale_ = true;
  bool operators_stale_ = true;
};

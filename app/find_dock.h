// Find: a dock with the query, its options, progress and the results. The
// search runs on a thread of its own over a document of its own (the same
// file, mode and password), so that a file of a million objects stays
// responsive; results appear as they are found and Cancel stops it.
#pragma once

#include <QDockWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/status_progress.h"
#include "describe/find.h"

class CAppDoc;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class CFindDock : public QDockWidget {
  Q_OBJECT

 public:
  CFindDock(CAppDoc* doc, QWidget* parent = nullptr);
  ~CFindDock() override;

  // Ctrl+F: shows the dock with the query selected.
  void FocusQuery();
  // Runs the query in the field; false (with the reason shown) when it cannot.
  bool Start();
  void Cancel();
  bool Running() const { return worker_.joinable(); }
  // F3: the result after the current one (the first when none), chosen as a
  // click would; false when there are no results.
  bool ChooseNext();
  // Waits until the search ends (tests).
  void Wait();

  QLineEdit* Query() const { return query_; }
  QCheckBox* RegexOption() const { return regex_; }
  QCheckBox* CaseOption() const { return case_; }
  QCheckBox* StreamsOption() const { return streams_; }
  QTreeWidget* Results() const { return results_; }
  QLabel* Status() const { return status_; }

 signals:
  // A result was chosen: the object to show.
  void objectChosen(int number, int generation);

 private:
  struct Search;
  void Poll();
  void Finish();
  void Choose(QTreeWidgetItem* item);

  CAppDoc* doc_;
  QLineEdit* query_;
  QCheckBox* regex_;
  QCheckBox* case_;
  QCheckBox* streams_;
  QPushButton* find_;
  QPushButton* cancel_;
  QProgressBar* progress_;
  QLabel* status_;
  QTreeWidget* results_;
  QTimer* poll_;
  std::shared_ptr<Search> search_;
  std::thread worker_;
  CProgressTask task_;  // the search in the status bar
};

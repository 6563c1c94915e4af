// References: a dock that lists the objects referring to the selected object
// ("References to This Object") or the objects nothing reachable from the
// trailer refers to ("Orphans"). Both come from one reference index of the
// open file, built on a thread of its own over a document of its own (the
// same file, mode and password) the first time either is asked for, with
// progress and Cancel; the window stays responsive meanwhile.
#pragma once

#include <QDockWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "analysis/reference_index.h"
#include "app/status_progress.h"

class CAppDoc;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QTimer;

class CReferencesDock : public QDockWidget {
  Q_OBJECT

 public:
  CReferencesDock(CAppDoc* doc, QWidget* parent = nullptr);
  ~CReferencesDock() override;

  // Shows the referrers of the object, or the orphans, building the index
  // first when it is not built for the open file yet.
  void ShowReferencesTo(int32_t number, int32_t generation);
  void ShowOrphans();
  void Cancel();
  // Waits until a build ends and its list is shown (tests).
  void Wait();

  QListWidget* List() const { return list_; }
  QLabel* Status() const { return status_; }

 signals:
  // A listed object was chosen: the object to show.
  void objectChosen(int number, int generation);

 private:
  struct Build;
  enum class Want { kNothing, kReferences, kOrphans };
  void Start();
  void Poll();
  void ShowWanted();
  void Drop();

  CAppDoc* doc_;
  QLabel* status_;
  QListWidget* list_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QTimer* poll_;
  std::shared_ptr<Build> build_;
  std::thread worker_;
  CProgressTask task_;                           // the build in the status bar
  std::shared_ptr<const ReferenceIndex> index_;  // of the open file, once built
  Want want_ = Want::kNothing;
  int32_t number_ = 0;
  int32_t generation_ = 0;
};

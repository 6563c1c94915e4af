#include "app/revisions_view.h"

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "analysis/number_ranges.h"
#include "analysis/object_versions.h"
#include "app/app_doc.h"
#include "diag/format.h"
#include "diag/messages.h"
#include "pdf/xref_table.h"

namespace {

// The role of a group item ("Added (15)") that is not filled yet.
constexpr int kUnfilledRole = Qt::UserRole + 2;
// Which list a group shows: 0 added, 1 changed, 2 freed.
constexpr int kListRole = Qt::UserRole + 3;

const std::vector<int32_t>& List(const Revision& revision, int list) {
  return list == 0 ? revision.added : list == 1 ? revision.changed : revision.freed;
}

}  // namespace

CRevisionsView::CRevisionsView(CAppDoc* doc, QWidget* parent) : QTreeWidget(parent), doc_(doc) {
  setObjectName("CRevisionsView");
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(doc_, &CAppDoc::updated, this, &CRevisionsView::OnUpdate);
  connect(doc_, &CAppDoc::aboutToOpen, this, [this] {
    clear();
    revisions_.clear();
    stale_ = false;
  });
  connect(this, &QTreeWidget::itemExpanded, this, &CRevisionsView::Fill);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CRevisionsView::OnSelected);
  connect(this, &QWidget::customContextMenuRequested, this, &CRevisionsView::ShowMenu);
}

void CRevisionsView::OnUpdate(int hint) {
  if (hint & HINT_BIT_OPENED) {
    // Listed when the tab is shown: a file of a million objects opens
    // without it.
    stale_ = true;
    if (isVisible()) {
      Rebuild();
    }
  }
}

void CRevisionsView::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  if (stale_) {
    Rebuild();
  }
}

void CRevisionsView::Rebuild() {
  stale_ = false;
  clear();
  bool ordered = true;
  revisions_ = ListRevisions(*doc_, &ordered);
  int64_t start = 0;
  for (const Revision& revision : revisions_) {
    QString label = QString("Revision %1 (%2)")
                        .arg(revision.index)
                        .arg(revision.index == 1 ? "the original file" : "an update");
    if (revision.end > 0) {
      label += QString(": bytes %1 to %2").arg(start).arg(revision.end - 1);
      start = revision.end;
    }
    auto* item = new QTreeWidgetItem(this, {label});
    item->setData(0, kRevisionRole, revision.index);
    item->setToolTip(0, QString("%1 at offset %2, %3 entries")
                            .arg(revision.kind)
                            .arg(revision.section_offset)
                            .arg(revision.listed));
    const char* names[] = {"Added", "Changed", "Freed"};
    for (int list = 0; list < 3; ++list) {
      const std::vector<int32_t>& numbers = List(revision, list);
      if (numbers.empty()) {
        continue;
      }
      auto* group =
          new QTreeWidgetItem(item, {QString("%1 (%2)").arg(names[list]).arg(numbers.size())});
      group->setData(0, kRevisionRole, revision.index);
      group->setData(0, kListRole, list);
      group->setData(0, kUnfilledRole, true);
      group->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
  }
  if (!ordered) {
    new QTreeWidgetItem(this, {"The sections do not follow each other in the file (a linearized "
                               "file): they are sections rather than updates"});
  }
  for (const SignedRevision& signature : ListSignatures(*doc_, revisions_)) {
    QString label = QString("Signature %1: ").arg(signature.number);
    if (!signature.usable) {
      label += "ByteRange unusable";
    } else if (signature.revision == 0) {
      label += "ends at no revision's end";
    } else {
      label += QString("revision %1, %2")
                   .arg(signature.revision)
                   .arg(signature.whole                ? "all of it but the signature"
                        : signature.byte_range[0] != 0 ? "not from its first byte"
                                                       : "but more than the signature left out");
      label += signature.changed_after.empty()
                   ? QString("; nothing changed after it")
                   : QString("; changed after it: %1")
                         .arg(QString::fromStdString(NumberRanges(signature.changed_after, 10)));
    }
    auto* item = new QTreeWidgetItem(this, {label});
    item->setData(0, kNumberRole, signature.number);
  }
}

void CRevisionsView::Fill(QTreeWidgetItem* group) {
  if (!group->data(0, kUnfilledRole).toBool()) {
    return;
  }
  group->setData(0, kUnfilledRole, false);
  const int index = group->data(0, kRevisionRole).toInt();
  const int list = group->data(0, kListRole).toInt();
  if (index < 1 || static_cast<size_t>(index) > revisions_.size()) {
    return;
  }
  QList<QTreeWidgetItem*> items;
  const Revision& revision = revisions_[static_cast<size_t>(index) - 1];
  const pdf::XRefTable* table = revision.section;
  for (int32_t number : List(revision, list)) {
    // The generation the revision lists (the next one for a freed object).
    const int64_t at = int64_t{number} - table->first;
    const int generation = at >= 0 && at < table->count && table->entries[at].type == 'n'
                               ? table->entries[at].generation
                               : 0;
    auto* item = new QTreeWidgetItem({QString("%1 %2 obj").arg(number).arg(generation)});
    item->setData(0, kRevisionRole, index);
    item->setData(0, kNumberRole, number);
    items.append(item);
  }
  group->addChildren(items);
}

void CRevisionsView::OnSelected() {
  QList<QTreeWidgetItem*> selected = selectedItems();
  if (selected.isEmpty()) {
    return;
  }
  QTreeWidgetItem* item = selected.first();
  const int number = item->data(0, kNumberRole).toInt();
  const int index = item->data(0, kRevisionRole).toInt();
  pdf::Object* object = nullptr;
  if (number > 0 && index > 0) {
    object = ObjectAsOf(*doc_, revisions_, index, number);  // null for a freed one
  } else if (number > 0) {
    object = doc_->GetObject(number, 0);  // a signature
  }
  doc_->SetSelection(object);
}

QString CRevisionsView::CompareWithPrevious(QTreeWidgetItem* item) {
  const int number = item != nullptr ? item->data(0, kNumberRole).toInt() : 0;
  const int index = item != nullptr ? item->data(0, kRevisionRole).toInt() : 0;
  return QString::fromStdString(CompareWithPreviousText(*doc_, revisions_, index, number));
}

bool CRevisionsView::SaveRevision(int revision, const QString& path) {
  if (revision < 1 || static_cast<size_t>(revision) > revisions_.size() ||
      revisions_[static_cast<size_t>(revision) - 1].end <= 0) {
    return false;
  }
  const std::string_view bytes = doc_->FileBytes().substr(
      0, static_cast<size_t>(revisions_[static_cast<size_t>(revision) - 1].end));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size())) {
    WarningMessage("Cannot write '%s': %s", QFile::encodeName(path).constData(),
                   file.errorString().toUtf8().constData());
    return false;
  }
  return true;
}

void CRevisionsView::ShowMenu(const QPoint& at) {
  QTreeWidgetItem* item = itemAt(at);
  if (item == nullptr) {
    return;
  }
  setCurrentItem(item);
  QMenu menu;
  const int index = item->data(0, kRevisionRole).toInt();
  const int number = item->data(0, kNumberRole).toInt();
  if (number > 0 && index > 0 && PreviousVersion(revisions_, index, number) > 0) {
    menu.addAction("Compare with Previous", this, [this, item] {
      QDialog dialog(this);
      dialog.setWindowTitle("Compare with Previous");
      auto* text = new QPlainTextEdit(&dialog);
      text->setReadOnly(true);
      text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
      text->setPlainText(CompareWithPrevious(item));
      auto* layout = new QVBoxLayout(&dialog);
      layout->addWidget(text);
      dialog.resize(640, 480);
      dialog.exec();
    });
  }
  if (index > 0 && number == 0) {
    menu.addAction("Save Revision As...", this, [this, index] {
      const QString suggested =
          QFileInfo(doc_->GetPathName()).completeBaseName() + QString("-revision%1.pdf").arg(index);
      const QString path =
          QFileDialog::getSaveFileName(this, "Save Revision As", suggested, "PDF Files (*.pdf)");
      if (!path.isEmpty()) {
        SaveRevision(index, path);
      }
    });
  }
  if (!menu.isEmpty()) {
    menu.exec(viewport()->mapToGlobal(at));
  }
}

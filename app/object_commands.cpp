#include "app/object_commands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTreeView>
#include <QTreeWidget>
#include <vector>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/objects_model.h"
#include "app/objects_view.h"
#include "app/references_dock.h"
#include "app/wait_cursor.h"
#include "describe/description.h"
#include "describe/png_writer.h"
#include "diag/messages.h"
#include "filters/filter_chain.h"
#include "pdf/object.h"

namespace {

// Saved decoded streams stop here: a decompression bomb fills no disk.
constexpr size_t kSaveDecodedBound = size_t{1} << 30;

// The value in the words a PDF file would use: names with their slash, a
// reference's "N G R", numbers and strings as written, the summary of the
// rest.
QString ValueText(pdf::Object* object) {
  if (object == nullptr) {
    return QString();
  }
  if (object->number > 0) {
    return QString("%1 %2 R").arg(object->number).arg(object->generation);
  }
  if (object->IsName()) {
    return "/" + QString::fromUtf8(object->Text());
  }
  if (object->IsString()) {
    const QString text = QString::fromLatin1(object->Text());
    return text.startsWith('<') ? text : "(" + text + ")";
  }
  if (object->IsNumber() || object->IsBoolean() || object->IsNull()) {
    return QString::fromUtf8(object->Text());
  }
  return QString::fromUtf8(DescribeObject(object).c_str()).section('\n', 0, 0);
}

// The structure tree item's path: the keys from the top, "/" between.
QString TreePath(QTreeWidgetItem* item) {
  QStringList keys;
  for (; item != nullptr; item = item->parent()) {
    keys.prepend(item->data(0, CLeftView::kKeyRole).toString());
  }
  return keys.join('/');
}

// The Objects tab item's path: its object, then the keys below it (the ranges
// a long list is grouped in are left out).
QString ObjectsPath(const CObjectsModel& model, const QModelIndex& index) {
  QStringList keys;
  for (QModelIndex at = index; at.isValid() && !model.IsRange(at); at = at.parent()) {
    const QString label = at.data().toString();
    keys.prepend(model.ListedAt(at) == nullptr ? label.section('=', 0, 0)
                                               : label.section("  ", 0, 0));
  }
  return keys.join('/');
}

// What Copy takes from the detail pane: the selected text, else all of it.
QString PaneCopyText(const CAppView& view) {
  const QString selected = view.SelectedText();
  return selected.isEmpty() ? QString::fromUtf8(view.Description().c_str()) : selected;
}

}  // namespace

CObjectCommands::CObjectCommands(CAppDoc* doc, CMainFrame* frame)
    : QObject(frame), doc_(doc), frame_(frame) {
  CLeftView* tree = frame_->LeftView();
  tree->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tree, &QWidget::customContextMenuRequested, this,
          [this, tree](const QPoint& at) { ShowItemMenu(tree, at, /*with_path=*/true); });
  CObjectsView* objects = frame_->LeftPane()->Objects();
  objects->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(objects, &QWidget::customContextMenuRequested, this,
          [this, objects](const QPoint& at) { ShowItemMenu(objects, at, /*with_path=*/true); });
  QWidget* pane = frame_->RightPane();
  pane->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pane, &QWidget::customContextMenuRequested, this, [this, pane](const QPoint& at) {
    QMenu menu;
    auto* view = static_cast<CAppView*>(frame_->RightPane());
    menu.addAction("Copy", this,
                   [view] { QApplication::clipboard()->setText(PaneCopyText(*view)); });
    if (doc_->GetMode() == pdf::Mode::kModern) {
      menu.addAction("Select All", view, &CAppView::SelectAll);
    }
    AddSaveActions(&menu);
    menu.exec(pane->mapToGlobal(at));
  });

  connect(frame_->Action(ID_EDIT_COPY), &QAction::triggered, this, &CObjectCommands::Copy);
  connect(frame_->Action(ID_FILE_SAVE_STREAM), &QAction::triggered, this,
          [this] { SaveStream(false); });
  connect(frame_->Action(ID_FILE_SAVE_DECODED), &QAction::triggered, this,
          [this] { SaveStream(true); });
  connect(frame_->Action(ID_FILE_SAVE_IMAGE), &QAction::triggered, this, [this] { SaveImage(); });
  connect(doc_, &CAppDoc::updated, this, [this] { UpdateCommands(); });
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommands(); });
  UpdateCommands();
}

QString CObjectCommands::CopyText(What what) const {
  QWidget* active = frame_->ActivePane();
  CLeftView* tree = frame_->LeftView();
  CObjectsView* objects = frame_->LeftPane()->Objects();
  if (active == frame_->RightPane()) {
    return what == What::kLabel ? PaneCopyText(*static_cast<CAppView*>(frame_->RightPane()))
                                : QString();
  }
  if (active == objects) {
    const QModelIndex index = objects->currentIndex();
    if (!index.isValid()) {
      return QString();
    }
    switch (what) {
      case What::kLabel:
        return index.data().toString();
      case What::kPath:
        return ObjectsPath(*objects->Model(), index);
      case What::kValue:
        return ValueText(doc_->GetSelection());
    }
  }
  QTreeWidgetItem* item = tree->currentItem();
  if (item == nullptr) {
    return QString();
  }
  switch (what) {
    case What::kLabel:
      return item->text(0);
    case What::kPath:
      return TreePath(item);
    case What::kValue:
      return ValueText(CLeftView::ItemObject(item));
  }
  return QString();
}

bool CObjectCommands::CanCopy() const {
  return !CopyText(What::kLabel).isEmpty();
}

bool CObjectCommands::Copy() {
  if (!frame_->Action(ID_EDIT_COPY)->isEnabled()) {
    return false;
  }
  const QString text = CopyText(What::kLabel);
  if (text.isEmpty()) {
    return false;
  }
  QApplication::clipboard()->setText(text);
  return true;
}

void CObjectCommands::UpdateCommands() {
  pdf::Object* object = doc_->GetSelection();
  const bool stream = object != nullptr && object->IsStream();
  // Classic mode keeps Edit > Copy as it always was, disabled; the context
  // menus copy in both modes.
  frame_->Action(ID_EDIT_COPY)->setEnabled(doc_->GetMode() == pdf::Mode::kModern && CanCopy());
  frame_->Action(ID_FILE_SAVE_STREAM)->setEnabled(stream);
  frame_->Action(ID_FILE_SAVE_DECODED)->setEnabled(stream);
  frame_->Action(ID_FILE_SAVE_IMAGE)->setEnabled(stream && IsImageStream(object));
}

void CObjectCommands::AddSaveActions(QMenu* menu) {
  menu->addSeparator();
  for (int id : {ID_FILE_SAVE_STREAM, ID_FILE_SAVE_DECODED, ID_FILE_SAVE_IMAGE}) {
    menu->addAction(frame_->Action(id));
  }
}

void CObjectCommands::ShowItemMenu(QAbstractItemView* view, const QPoint& at, bool with_path) {
  if (!view->indexAt(at).isValid()) {
    return;
  }
  view->setCurrentIndex(view->indexAt(at));
  view->setFocus(Qt::PopupFocusReason);  // the active pane is the one clicked
  QMenu menu;
  menu.addAction("Copy Label", this,
                 [this] { QApplication::clipboard()->setText(CopyText(What::kLabel)); });
  if (with_path) {
    menu.addAction("Copy Path", this,
                   [this] { QApplication::clipboard()->setText(CopyText(What::kPath)); });
  }
  menu.addAction("Copy Value", this,
                 [this] { QApplication::clipboard()->setText(CopyText(What::kValue)); });
  // The object the item shows, when it is one of the file's numbered objects.
  pdf::Object* object = doc_->GetSelection();
  if (object != nullptr && object->number > 0) {
    menu.addSeparator();
    const int32_t number = object->number;
    const int32_t generation = object->generation;
    menu.addAction("References to This Object", this, [this, number, generation] {
      frame_->ReferencesDock()->ShowReferencesTo(number, generation);
    });
  }
  AddSaveActions(&menu);
  menu.exec(view->viewport()->mapToGlobal(at));
}

QString CObjectCommands::SaveTarget(const QString& title, const QString& suggested,
                                    const QString& filter) {
  return QFileDialog::getSaveFileName(frame_, title, suggested, filter);
}

bool CObjectCommands::SaveStream(bool decoded, const QString& path) {
  pdf::Object* object = doc_->GetSelection();
  if (object == nullptr || !object->IsStream()) {
    return false;
  }
  QString target = path;
  if (target.isEmpty()) {
    const QString name =
        QString("object-%1%2.bin").arg(object->number).arg(decoded ? "-decoded" : "");
    target =
        SaveTarget(decoded ? "Save Decoded Stream As" : "Save Stream As", name, "All Files (*)");
    if (target.isEmpty()) {
      return false;
    }
  }
  CWaitCursor wait;
  std::vector<uint8_t> bytes;
  if (decoded) {
    std::string error;
    if (!DecodeStreamFully(object->AsDictionary(), kSaveDecodedBound, &bytes, &error)) {
      ErrorMessage("The stream cannot be decoded: %s", error.c_str());
      return false;
    }
  } else {
    pdf::Token data;
    object->GetStreamData(data);
    if (data.length > 0) {
      bytes.assign(data.text, data.text + data.length);
    }
  }
  QFile file(target);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()) ||
      !file.flush()) {
    ErrorMessage("Error writing file '%s'. %s", QFile::encodeName(target).constData(),
                 file.errorString().toLocal8Bit().constData());
    return false;
  }
  return true;
}

bool CObjectCommands::SaveImage(const QString& path) {
  pdf::Object* object = doc_->GetSelection();
  if (object == nullptr || !IsImageStream(object)) {
    return false;
  }
  QString target = path;
  if (target.isEmpty()) {
    target = SaveTarget("Save Image As PNG", QString("object-%1.png").arg(object->number),
                        "PNG Images (*.png)");
    if (target.isEmpty()) {
      return false;
    }
  }
  CWaitCursor wait;
  std::string error;
  if (!WriteImagePng(object, QFile::encodeName(target).constData(), &error)) {
    ErrorMessage("The picture cannot be saved: %s", error.c_str());
    return false;
  }
  return true;
}

// The structure tree: "Header", "Root", "XRefs" and "Trailer", below which the
// object graph unfolds one level per expansion. Every item carries the object it
// stands for; selecting an item makes that object the document's selection.
#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "app/outline_pages.h"
#include "app/printable_pane.h"

class CAppDoc;
struct TreeItem;

namespace pdf {
class Object;
}  // namespace pdf

class CLeftView : public QTreeWidget, public CPrintablePane {
  Q_OBJECT

 public:
  // What each item keeps besides its label.
  enum Role : int {
    kObjectRole = Qt::UserRole,  // the pdf::Object*, borrowed from the document
    kChildCountRole,             // the child count the item announces (-1: none)
    kFilledRole,                 // true once the children were inserted
    kKeyRole,                    // the name a --select path uses for the item
  };

  explicit CLeftView(CAppDoc* doc, QWidget* parent = nullptr);

  // Deletes every item and inserts the four top-level items.
  void Rebuild();
  // Deletes every item without touching the document's selection.
  void ClearItems();
  // Inserts one item as the last child of `parent` (the root when null).
  QTreeWidgetItem* InsertObjectItem(QTreeWidgetItem* parent, const TreeItem& item);
  // Inserts the children of a dictionary, stream or array item.
  void InsertChildren(QTreeWidgetItem* item, pdf::Object* object);

  static pdf::Object* ItemObject(const QTreeWidgetItem* item);

  // Expands the items along a path of keys such as Root/Pages/Kids/[0], the
  // last included, and selects the last. On failure says why in `error`.
  bool SelectPath(const std::string& path, std::string* error);
  // The path of the current item in the form SelectPath takes; empty when
  // none is current.
  std::string SelectedPath() const;

  // The labels of every item that can be seen (top-level items and the children
  // of expanded items), with their depth: the printed form of the pane.
  std::vector<OutlineLine> VisibleOutline() const;
  void PrintPages(QPrinter* printer) override;

  // What the empty pane says: how to open a file.
  static constexpr char kEmptyHint[] = "Open a PDF file with File \u25b8 Open, or drop one here.";

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnUpdate(int hint);
  void OnItemExpanded(QTreeWidgetItem* item);
  void OnItemCollapsed(QTreeWidgetItem* item);
  void OnItemClicked(QTreeWidgetItem* item);
  void OnSelectionChanged();

  CAppDoc* doc_;
};

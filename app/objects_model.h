// The Objects tab's model: one top-level row per object of the cross-reference
// chain (in use or compressed), in number order, and below each the entries or
// items of a dictionary, stream or array, one level per expansion. Nothing is
// made per row up front: a row's object is loaded through the document when
// the view first asks for it, and its label is kept in a small cache, so a
// file of a million objects opens the tab at once.
#pragma once

#include <QAbstractItemModel>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "describe/object_list.h"

class CAppDoc;

namespace pdf {
class Object;
}  // namespace pdf

class CObjectsModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit CObjectsModel(CAppDoc* doc, QObject* parent = nullptr);
  ~CObjectsModel() override;

  // Lists the document's objects anew; Clear drops everything first.
  void Reload();
  void Clear();

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The object a row or child stands for (loaded on demand), or null.
  pdf::Object* ObjectAt(const QModelIndex& index) const;
  // The top-level row of the object number, or an invalid index.
  QModelIndex IndexOfNumber(int32_t number) const;
  const std::vector<ListedObject>& Listed() const { return listed_; }
  // For a child whose value was written as a reference: its number and
  // generation. False for anything else.
  bool ReferenceAt(const QModelIndex& index, int32_t* number, int32_t* generation) const;

  // An item's place as row positions from the top (the top-level row first),
  // and the item found again from them (invalid when it no longer exists).
  std::vector<int> PathOf(const QModelIndex& index) const;
  QModelIndex IndexOfPath(const std::vector<int>& path) const;

  // How many top-level objects were asked of the document so far: the view
  // must ask only for the rows it shows.
  int64_t Loads() const { return loads_; }

 private:
  // An item whose children were asked for; made on demand, kept until Clear.
  struct Node {
    Node* parent = nullptr;  // null for a top-level row
    int row = 0;             // in its parent (top-level: the list position)
    std::vector<ObjectChild> children;
    std::vector<std::unique_ptr<Node>> nodes;  // one per child, made on demand
    bool filled = false;
  };
  // A loaded top-level row: a direct-mapped cache of a few thousand slots
  // (the rows on screen never collide), so memory does not grow with
  // scrolling.
  struct Row {
    int row = -1;
    pdf::Object* object = nullptr;
    QString label;
    int child_count = -1;
  };
  static constexpr size_t kRowCacheSlots = 4096;

  const Row& LoadRow(int row) const;
  // The node of a valid index (its own children), made when missing.
  Node* NodeOf(const QModelIndex& index) const;
  // The node that holds the index's item among its children; null for a
  // top-level row.
  static Node* HolderOf(const QModelIndex& index);
  void Fill(Node* node, pdf::Object* object) const;

  CAppDoc* doc_;
  std::vector<ListedObject> listed_;
  mutable std::array<Row, kRowCacheSlots> rows_;
  mutable std::map<int, std::unique_ptr<Node>> top_nodes_;
  mutable int64_t loads_ = 0;
};

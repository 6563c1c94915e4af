// The Objects tab's model: one row per object of the cross-reference chain (in
// use or compressed), in number order, and below each the entries or items of
// a dictionary, stream or array, one level per expansion. A long list is
// grouped into ranges of a thousand objects ("Objects 1000 to 1999"), ranges
// of ranges beyond that, so the view never lays out more than a thousand
// objects, or ten thousand ranges, at a level. Nothing is made per object up front: a row's object
// is loaded through the document when the view first asks for it, and its label is kept in a small
// cache, so a file of a million objects opens the tab at once.
#pragma once

#include <QAbstractItemModel>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
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
  // Drops the loaded rows, so that they are loaded again (the file changed);
  // children already made stay as they were read.
  void ForgetRows();
  void Clear();

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Lists of more objects than kGroupSize are grouped in ranges of that many,
  // and those in ranges of ranges while the top would have more than
  // kMaxTopRanges rows.
  static constexpr int64_t kGroupSize = 1000;
  static constexpr int64_t kMaxTopRanges = 10000;

  // The object a row or child stands for (loaded on demand), or null (also
  // for a range).
  pdf::Object* ObjectAt(const QModelIndex& index) const;
  // The row of the object number, or an invalid index.
  QModelIndex IndexOfNumber(int32_t number) const;
  const std::vector<ListedObject>& Listed() const { return listed_; }
  // The listed object of an object's row; null for ranges and children.
  const ListedObject* ListedAt(const QModelIndex& index) const;
  // True for a row that stands for a range of objects.
  bool IsRange(const QModelIndex& index) const;
  // For a child whose value was written as a reference: its number and
  // generation. False for anything else.
  bool ReferenceAt(const QModelIndex& index, int32_t* number, int32_t* generation) const;

  // An item's place as row positions from the top (the top-level row first),
  // and the item found again from them (invalid when it no longer exists).
  std::vector<int> PathOf(const QModelIndex& index) const;
  QModelIndex IndexOfPath(const std::vector<int>& path) const;

  // How many objects' rows were loaded from the document so far: the view
  // must ask only for the rows it shows.
  int64_t Loads() const { return loads_; }

 private:
  // What an index points to: the item that holds it among its children, a
  // range or an object's (or child's) node. Made on demand, kept until Clear.
  struct Holder {
    Holder* parent = nullptr;  // null for the root range
    int row = 0;               // in its parent
    bool range = false;
  };
  // A range of listed objects; the root range holds the whole list.
  struct Range : Holder {
    int64_t first = 0;  // list position
    int64_t count = 0;
    int64_t span = 1;  // objects per child row: 1 when the children are objects
    std::vector<std::unique_ptr<Range>> ranges;  // when span > 1, made on demand
  };
  // An object or child item whose children were asked for.
  struct Node : Holder {
    std::vector<ObjectChild> children;
    std::vector<std::unique_ptr<Node>> nodes;  // one per child, made on demand
    bool filled = false;
  };
  // A loaded object row: a direct-mapped cache of a few thousand slots (the
  // rows on screen never collide), so memory does not grow with scrolling.
  struct Row {
    int64_t position = -1;
    pdf::Object* object = nullptr;
    QString label;
    int child_count = -1;
  };
  static constexpr size_t kRowCacheSlots = 4096;

  const Row& LoadRow(int64_t position) const;
  static Holder* HolderOf(const QModelIndex& index);
  // The list position of an object's row, or -1.
  static int64_t PositionOf(const QModelIndex& index);
  // The range a range row stands for, made when missing.
  static Range* RangeOf(const QModelIndex& index);
  // The node of an object or child row (its own children), made when missing.
  Node* NodeOf(const QModelIndex& index) const;
  // The row of the object at the list position.
  QModelIndex IndexOfPosition(int64_t position) const;
  void MakeRoot();
  void AnnounceChildless();

  CAppDoc* doc_;
  std::vector<ListedObject> listed_;
  std::unique_ptr<Range> root_;
  mutable std::array<Row, kRowCacheSlots> rows_;
  mutable std::map<int64_t, std::unique_ptr<Node>> object_nodes_;
  mutable int64_t loads_ = 0;
  // Rows whose load reports went to the Problems list (each once per open).
  mutable std::set<int64_t> reported_;
  // Rows loaded without children since the view was last told.
  mutable std::vector<int64_t> childless_;
};

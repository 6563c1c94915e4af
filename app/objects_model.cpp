#include "app/objects_model.h"

#include "app/app_doc.h"
#include "describe/labels.h"

CObjectsModel::CObjectsModel(CAppDoc* doc, QObject* parent)
    : QAbstractItemModel(parent), doc_(doc) {}

CObjectsModel::~CObjectsModel() = default;

void CObjectsModel::Clear() {
  beginResetModel();
  listed_.clear();
  listed_.shrink_to_fit();
  rows_.fill(Row());
  top_nodes_.clear();
  endResetModel();
}

void CObjectsModel::Reload() {
  beginResetModel();
  rows_.fill(Row());
  top_nodes_.clear();
  listed_ = ListObjects(*doc_);
  endResetModel();
}

const CObjectsModel::Row& CObjectsModel::LoadRow(int row) const {
  Row& slot = rows_[static_cast<size_t>(row) % kRowCacheSlots];
  if (slot.row == row) {
    return slot;
  }
  const ListedObject& listed = listed_[static_cast<size_t>(row)];
  ++loads_;
  pdf::Object* object = doc_->GetObject(listed.number, listed.generation);
  slot.row = row;
  slot.object = object;
  slot.label = QString::fromStdString(ListedObjectLabel(listed, object));
  slot.child_count = AnnouncedChildCount(object);
  return slot;
}

CObjectsModel::Node* CObjectsModel::HolderOf(const QModelIndex& index) {
  return static_cast<Node*>(index.internalPointer());
}

CObjectsModel::Node* CObjectsModel::NodeOf(const QModelIndex& index) const {
  Node* holder = HolderOf(index);
  std::unique_ptr<Node>* slot = nullptr;
  if (holder == nullptr) {
    slot = &top_nodes_[index.row()];
  } else {
    slot = &holder->nodes[static_cast<size_t>(index.row())];
  }
  if (!*slot) {
    *slot = std::make_unique<Node>();
    (*slot)->parent = holder;
    (*slot)->row = index.row();
  }
  Node* node = slot->get();
  if (!node->filled) {
    // Children are made on the first request only, one level at a time: a
    // cycle in the object graph costs one level per expansion.
    node->filled = true;
    node->children = ObjectChildItems(ObjectAt(index));
    node->nodes.resize(node->children.size());
  }
  return node;
}

QModelIndex CObjectsModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) {
    return {};
  }
  if (!parent.isValid()) {
    return static_cast<size_t>(row) < listed_.size() ? createIndex(row, 0, nullptr) : QModelIndex();
  }
  Node* node = NodeOf(parent);
  return static_cast<size_t>(row) < node->children.size() ? createIndex(row, 0, node)
                                                          : QModelIndex();
}

QModelIndex CObjectsModel::parent(const QModelIndex& child) const {
  Node* holder = child.isValid() ? HolderOf(child) : nullptr;
  if (holder == nullptr) {
    return {};
  }
  return createIndex(holder->row, 0, holder->parent);
}

int CObjectsModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) {
    return static_cast<int>(listed_.size());
  }
  if (parent.column() != 0) {
    return 0;
  }
  return static_cast<int>(NodeOf(parent)->children.size());
}

int CObjectsModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool CObjectsModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) {
    return !listed_.empty();
  }
  // What the item announces, as in the structure tree, without making the
  // children.
  Node* holder = HolderOf(parent);
  if (holder == nullptr) {
    // The view asks this of every row when it lays them out, so a row not
    // loaded yet announces children; expanding one that has none removes
    // its expander.
    const Row& slot = rows_[static_cast<size_t>(parent.row()) % kRowCacheSlots];
    return slot.row != parent.row() || slot.child_count > 0;
  }
  return holder->children[static_cast<size_t>(parent.row())].item.Expandable();
}

QVariant CObjectsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) {
    return {};
  }
  Node* holder = HolderOf(index);
  if (holder == nullptr) {
    return LoadRow(index.row()).label;
  }
  return QString::fromStdString(holder->children[static_cast<size_t>(index.row())].item.label);
}

Qt::ItemFlags CObjectsModel::flags(const QModelIndex& index) const {
  // Asked for every row when the view lays out: must not load anything.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

pdf::Object* CObjectsModel::ObjectAt(const QModelIndex& index) const {
  if (!index.isValid()) {
    return nullptr;
  }
  Node* holder = HolderOf(index);
  if (holder == nullptr) {
    return LoadRow(index.row()).object;
  }
  return holder->children[static_cast<size_t>(index.row())].item.object;
}

QModelIndex CObjectsModel::IndexOfNumber(int32_t number) const {
  const int row = FindListedObject(listed_, number);
  return row < 0 ? QModelIndex() : index(row, 0);
}

bool CObjectsModel::ReferenceAt(const QModelIndex& index, int32_t* number,
                                int32_t* generation) const {
  Node* holder = index.isValid() ? HolderOf(index) : nullptr;
  if (holder == nullptr) {
    return false;
  }
  const ObjectChild& child = holder->children[static_cast<size_t>(index.row())];
  if (child.ref_number <= 0) {
    return false;
  }
  *number = child.ref_number;
  *generation = child.ref_generation;
  return true;
}

std::vector<int> CObjectsModel::PathOf(const QModelIndex& index) const {
  std::vector<int> path;
  for (QModelIndex at = index; at.isValid(); at = parent(at)) {
    path.insert(path.begin(), at.row());
  }
  return path;
}

QModelIndex CObjectsModel::IndexOfPath(const std::vector<int>& path) const {
  QModelIndex at;
  for (int row : path) {
    if (row >= rowCount(at)) {
      return {};
    }
    at = index(row, 0, at);
  }
  return at;
}

#include "app/objects_model.h"

#include <QTimer>
#include <algorithm>

#include "app/app_doc.h"
#include "describe/labels.h"
#include "diag/format.h"
#include "diag/messages.h"

namespace {

std::vector<std::string>& HeldLines() {
  static std::vector<std::string> lines;
  return lines;
}

int HoldLine(const char* text) {
  std::string line(text);
  while (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  HeldLines().push_back(std::move(line));
  return 0;
}

}  // namespace

CObjectsModel::CObjectsModel(CAppDoc* doc, QObject* parent)
    : QAbstractItemModel(parent), doc_(doc) {
  MakeRoot();
}

CObjectsModel::~CObjectsModel() = default;

void CObjectsModel::MakeRoot() {
  root_ = std::make_unique<Range>();
  root_->range = true;
  root_->count = static_cast<int64_t>(listed_.size());
  // The smallest span of whole thousands that keeps the top level short.
  int64_t span = 1;
  if (root_->count > kGroupSize) {
    span = kGroupSize;
    while ((root_->count + span - 1) / span > kMaxTopRanges) {
      span *= kGroupSize;
    }
  }
  root_->span = span;
  if (span > 1) {
    root_->ranges.resize(static_cast<size_t>((root_->count + span - 1) / span));
  }
}

void CObjectsModel::Clear() {
  beginResetModel();
  listed_.clear();
  listed_.shrink_to_fit();
  reported_.clear();
  childless_.clear();
  rows_.fill(Row());
  object_nodes_.clear();
  MakeRoot();
  endResetModel();
}

void CObjectsModel::ForgetRows() {
  rows_.fill(Row());
}

void CObjectsModel::Reload() {
  beginResetModel();
  rows_.fill(Row());
  object_nodes_.clear();
  listed_ = ListObjects(*doc_);
  reported_.clear();
  childless_.clear();
  MakeRoot();
  endResetModel();
}

const CObjectsModel::Row& CObjectsModel::LoadRow(int64_t position) const {
  Row& slot = rows_[static_cast<size_t>(position) % kRowCacheSlots];
  if (slot.position == position) {
    return slot;
  }
  const ListedObject& listed = listed_[static_cast<size_t>(position)];
  ++loads_;
  // Read after the file changed, the object would come from another file's
  // bytes or zeros.
  const bool changed = doc_->FileChanged();
  // Rows load as they are painted: a box per damaged row would come with
  // every scroll step, so what a load reports goes to the Problems list
  // instead, naming the object, once per object.
  pdf::Object* object = nullptr;
  if (!changed) {
    ScopedSinks held(HoldLine, HoldLine, g_trace_sink);
    object = doc_->GetObject(listed.number, listed.generation);
  }
  const bool damaged = !HeldLines().empty();
  if (damaged && reported_.insert(position).second) {
    for (const std::string& line : HeldLines()) {
      emit doc_->finding(QString::fromStdString(
          FormatText("Object %d %d: %s", listed.number, listed.generation, line.c_str())));
    }
  }
  HeldLines().clear();
  slot.position = position;
  slot.object = object;
  if (changed) {
    slot.label = QString::fromStdString(
        FormatText("%d %d obj  ", listed.number, listed.generation) + kFileChangedLine);
  } else if (damaged && object->IsNull()) {
    slot.label =
        QString::fromStdString(FormatText("%d %d obj  damaged", listed.number, listed.generation));
  } else {
    slot.label = QString::fromStdString(ListedObjectLabel(listed, object));
  }
  slot.child_count = changed ? 0 : AnnouncedChildCount(object);
  if (slot.child_count <= 0) {
    // The view took the row for one that expands (see hasChildren): it asks
    // again once told that the row changed.
    if (childless_.empty()) {
      auto* model = const_cast<CObjectsModel*>(this);
      QTimer::singleShot(0, model, &CObjectsModel::AnnounceChildless);
    }
    childless_.push_back(position);
  }
  return slot;
}

CObjectsModel::Holder* CObjectsModel::HolderOf(const QModelIndex& index) {
  return static_cast<Holder*>(index.internalPointer());
}

int64_t CObjectsModel::PositionOf(const QModelIndex& index) {
  Holder* holder = index.isValid() ? HolderOf(index) : nullptr;
  if (holder == nullptr || !holder->range) {
    return -1;
  }
  const Range* range = static_cast<Range*>(holder);
  return range->span == 1 ? range->first + index.row() : -1;
}

CObjectsModel::Range* CObjectsModel::RangeOf(const QModelIndex& index) {
  auto* holder = static_cast<Range*>(HolderOf(index));
  std::unique_ptr<Range>& slot = holder->ranges[static_cast<size_t>(index.row())];
  if (!slot) {
    slot = std::make_unique<Range>();
    slot->parent = holder;
    slot->row = index.row();
    slot->range = true;
    slot->first = holder->first + index.row() * holder->span;
    slot->count = std::min(holder->span, holder->first + holder->count - slot->first);
    slot->span = holder->span / kGroupSize;
    if (slot->span > 1) {
      slot->ranges.resize(static_cast<size_t>((slot->count + slot->span - 1) / slot->span));
    }
  }
  return slot.get();
}

CObjectsModel::Node* CObjectsModel::NodeOf(const QModelIndex& index) const {
  Holder* holder = HolderOf(index);
  std::unique_ptr<Node>* slot = nullptr;
  if (holder->range) {
    slot = &object_nodes_[PositionOf(index)];
  } else {
    slot = &static_cast<Node*>(holder)->nodes[static_cast<size_t>(index.row())];
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
    if (doc_->FileChanged()) {
      ObjectChild changed;
      changed.item = {kFileChangedLine, kFileChangedLine, nullptr, 0};
      node->children.push_back(std::move(changed));
      node->nodes.resize(1);
      return node;
    }
    node->children = ObjectChildItems(ObjectAt(index));
    node->nodes.resize(node->children.size());
  }
  return node;
}

void CObjectsModel::AnnounceChildless() {
  std::vector<int64_t> positions;
  positions.swap(childless_);
  for (int64_t position : positions) {
    if (static_cast<size_t>(position) < listed_.size()) {
      const QModelIndex row = IndexOfPosition(position);
      emit dataChanged(row, row);
    }
  }
}

bool CObjectsModel::IsRange(const QModelIndex& index) const {
  Holder* holder = index.isValid() ? HolderOf(index) : nullptr;
  return holder != nullptr && holder->range && static_cast<Range*>(holder)->span > 1;
}

QModelIndex CObjectsModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || row >= rowCount(parent)) {
    return {};
  }
  if (!parent.isValid()) {
    return createIndex(row, 0, root_.get());
  }
  if (IsRange(parent)) {
    return createIndex(row, 0, RangeOf(parent));
  }
  return createIndex(row, 0, NodeOf(parent));
}

QModelIndex CObjectsModel::parent(const QModelIndex& child) const {
  Holder* holder = child.isValid() ? HolderOf(child) : nullptr;
  if (holder == nullptr || holder->parent == nullptr) {
    return {};
  }
  return createIndex(holder->row, 0, holder->parent);
}

int CObjectsModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) {
    return static_cast<int>((root_->count + root_->span - 1) / root_->span);
  }
  if (parent.column() != 0) {
    return 0;
  }
  if (IsRange(parent)) {
    const Range* range = RangeOf(parent);
    return static_cast<int>((range->count + range->span - 1) / range->span);
  }
  return static_cast<int>(NodeOf(parent)->children.size());
}

int CObjectsModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool CObjectsModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) {
    return root_->count > 0;
  }
  if (IsRange(parent)) {
    return true;
  }
  // What the item announces, as in the structure tree, without making the
  // children.
  const int64_t position = PositionOf(parent);
  if (position >= 0) {
    // The view asks this of every row of a level when it lays them out, and
    // a range has a thousand: a row not loaded yet announces children, and
    // loses its expander when a paint loads it (AnnounceChildless).
    const Row& slot = rows_[static_cast<size_t>(position) % kRowCacheSlots];
    return slot.position != position || slot.child_count > 0;
  }
  const auto* holder = static_cast<Node*>(HolderOf(parent));
  return holder->children[static_cast<size_t>(parent.row())].item.Expandable();
}

QVariant CObjectsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) {
    return {};
  }
  if (IsRange(index)) {
    const Range* range = RangeOf(index);
    const size_t first = static_cast<size_t>(range->first);
    const size_t last = static_cast<size_t>(range->first + range->count - 1);
    return QString::fromStdString(
        first == last
            ? FormatText("Object %d", listed_[first].number)
            : FormatText("Objects %d to %d", listed_[first].number, listed_[last].number));
  }
  const int64_t position = PositionOf(index);
  if (position >= 0) {
    return LoadRow(position).label;
  }
  const auto* holder = static_cast<Node*>(HolderOf(index));
  return QString::fromStdString(holder->children[static_cast<size_t>(index.row())].item.label);
}

Qt::ItemFlags CObjectsModel::flags(const QModelIndex& index) const {
  // Asked for every row when the view lays out: must not load anything.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

pdf::Object* CObjectsModel::ObjectAt(const QModelIndex& index) const {
  if (!index.isValid() || IsRange(index)) {
    return nullptr;
  }
  const int64_t position = PositionOf(index);
  if (position >= 0) {
    return LoadRow(position).object;
  }
  const auto* holder = static_cast<Node*>(HolderOf(index));
  return holder->children[static_cast<size_t>(index.row())].item.object;
}

const ListedObject* CObjectsModel::ListedAt(const QModelIndex& index) const {
  const int64_t position = PositionOf(index);
  return position < 0 ? nullptr : &listed_[static_cast<size_t>(position)];
}

QModelIndex CObjectsModel::IndexOfPosition(int64_t position) const {
  QModelIndex at;
  const Range* range = root_.get();
  while (range->span > 1) {
    at = index(static_cast<int>((position - range->first) / range->span), 0, at);
    range = RangeOf(at);
  }
  return index(static_cast<int>(position - range->first), 0, at);
}

QModelIndex CObjectsModel::IndexOfNumber(int32_t number) const {
  const int position = FindListedObject(listed_, number);
  return position < 0 ? QModelIndex() : IndexOfPosition(position);
}

bool CObjectsModel::ReferenceAt(const QModelIndex& index, int32_t* number,
                                int32_t* generation) const {
  Holder* holder = index.isValid() ? HolderOf(index) : nullptr;
  if (holder == nullptr || holder->range) {
    return false;
  }
  const ObjectChild& child = static_cast<Node*>(holder)->children[static_cast<size_t>(index.row())];
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

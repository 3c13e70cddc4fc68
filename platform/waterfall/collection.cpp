#include "platform/waterfall/collection.h"

#include <algorithm>

TTZOptionalDisplayCollectionItem::TTZOptionalDisplayCollectionItem(TTZDisplayCollection* collection)
    : collection_(collection) {
    if (collection_) collection_->items_.push_back(this);
}

TTZOptionalDisplayCollectionItem::~TTZOptionalDisplayCollectionItem() {
    if (!collection_) return;
    auto& items = collection_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

int TTZOptionalDisplayCollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TTZOptionalDisplayCollectionItem::SetIndex(int index) {
    if (collection_) collection_->Move(Index(), index);
}

void TTZOptionalDisplayCollectionItem::SetName(const QString& name) {
    if (name_ == name) return;
    name_ = name;
    Changed();
}

void TTZOptionalDisplayCollectionItem::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Changed();
}

void TTZOptionalDisplayCollectionItem::Changed() {
    if (collection_) collection_->Update(this);
}

TTZDisplayCollection::~TTZDisplayCollection() { Clear(); }

TTZOptionalDisplayCollectionItem* TTZDisplayCollection::Item(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<std::size_t>(index)];
}

TTZOptionalDisplayCollectionItem* TTZDisplayCollection::AddItem() {
    TTZOptionalDisplayCollectionItem* item = CreateItem();
    item->AfterConstruction();
    NewItemCreated(item);
    return item;
}

void TTZDisplayCollection::Delete(int index) { delete Item(index); }

void TTZDisplayCollection::Clear() {
    while (!items_.empty()) delete items_.back();
}

int TTZDisplayCollection::IndexOf(const TTZOptionalDisplayCollectionItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TTZDisplayCollection::Move(int from, int to) {
    if (from < 0 || from >= Count()) return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to) return;
    auto* item = items_[static_cast<std::size_t>(from)];
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, item);
}

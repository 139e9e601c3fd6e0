#pragma once
// A persistable object that owns an ordered list of items, all made by one factory. It is
// written as a collection value (tag 14) of its items. One thread at a time.
#include "settings/objstream/TCollectionItem.h"

#include <functional>
#include <memory>
#include <vector>

class TCollection : public TPersistent {
public:
    using ItemFactory = std::function<std::unique_ptr<TCollectionItem>()>;
    explicit TCollection(ItemFactory factory) : factory_(std::move(factory)) {}

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Appends a new item made by the factory and returns it.
    TCollectionItem& Add();
    void Clear() { items_.clear(); }
    std::size_t Count() const { return items_.size(); }
    TCollectionItem& Item(std::size_t index) const { return *items_.at(index); }

private:
    ItemFactory factory_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
};

#pragma once
// The host's owned collections: items know their collection and index, the
// collection owns its items and hears about changes.
#include <QString>
#include <vector>

class TTZDisplayCollection;

class TTZOptionalDisplayCollectionItem {
public:
    // Appends itself to the collection, as the host's items do.
    explicit TTZOptionalDisplayCollectionItem(TTZDisplayCollection* collection);
    virtual ~TTZOptionalDisplayCollectionItem();
    TTZOptionalDisplayCollectionItem(const TTZOptionalDisplayCollectionItem&) = delete;
    TTZOptionalDisplayCollectionItem& operator=(const TTZOptionalDisplayCollectionItem&) = delete;

    // Runs once the constructors of every class are through.
    virtual void AfterConstruction() {}

    TTZDisplayCollection* Collection() const { return collection_; }
    int Index() const;
    virtual void SetIndex(int index);

    const QString& Name() const { return name_; }
    virtual void SetName(const QString& name);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    virtual QString GetDisplayName() const { return name_; }

protected:
    // Tells the collection that this item changed.
    void Changed();
    void StoreVisible(bool visible) { visible_ = visible; }
    void StoreName(const QString& name) { name_ = name; }

private:
    friend class TTZDisplayCollection;
    TTZDisplayCollection* collection_;
    QString name_;
    bool visible_ = true;
};

class TTZDisplayCollection {
public:
    TTZDisplayCollection() = default;
    virtual ~TTZDisplayCollection();
    TTZDisplayCollection(const TTZDisplayCollection&) = delete;
    TTZDisplayCollection& operator=(const TTZDisplayCollection&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TTZOptionalDisplayCollectionItem* Item(int index) const;
    // Creates an item of the collection's class, completes it and reports it.
    TTZOptionalDisplayCollectionItem* AddItem();
    void Delete(int index);
    void Clear();
    int IndexOf(const TTZOptionalDisplayCollectionItem* item) const;
    void Move(int from, int to);

    virtual void Update(TTZOptionalDisplayCollectionItem* item) { (void)item; }
    virtual void NewItemCreated(TTZOptionalDisplayCollectionItem* item) { (void)item; }

protected:
    virtual TTZOptionalDisplayCollectionItem* CreateItem() = 0;

private:
    friend class TTZOptionalDisplayCollectionItem;
    std::vector<TTZOptionalDisplayCollectionItem*> items_;
};

// A fixed-size chained hash table that borrows its keys and values.
//
// The catalogue index is built once, after every record exists, with one bucket per game, so
// the table never grows. Inserts append to the end of a chain and equal keys are not merged:
// a lookup finds the earliest inserted of several equal keys.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

template <typename Key, typename Value>
class HashTable {
public:
    using HashFn = uint32_t (*)(const Key& key, uint32_t bucketCount);
    using EqualsFn = int (*)(const Key& stored, const Key& lookedUp);

    // Returns null when bucketCount is 0.
    static std::unique_ptr<HashTable> create(uint32_t bucketCount, HashFn hash, EqualsFn equals)
    {
        if (bucketCount == 0 || hash == nullptr || equals == nullptr) return nullptr;
        return std::unique_ptr<HashTable>(new HashTable(bucketCount, hash, equals));
    }

    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    // Appends an entry at the end of the key's chain. Null key or value: nothing happens.
    void insert(const Key* key, Value* value)
    {
        if (key == nullptr || value == nullptr) return;
        // The tail of each chain is remembered: a weak hash makes long chains, and walking them
        // on every insert would make building the index quadratic.
        const uint32_t bucket = bucketOf(*key);
        auto node = std::make_unique<Node>(Node{key, value, nullptr});
        Node* added = node.get();
        if (tails_[bucket] != nullptr) {
            tails_[bucket]->next = std::move(node);
        } else {
            buckets_[bucket] = std::move(node);
        }
        tails_[bucket] = added;
        ++size_;
    }

    // The value of the first entry whose stored key equals `key`; null when none.
    Value* lookup(const Key* key) const
    {
        if (key == nullptr) return nullptr;
        for (const Node* node = buckets_[bucketOf(*key)].get(); node; node = node->next.get()) {
            if (equals_(*node->key, *key) != 0) return node->value;
        }
        return nullptr;
    }

    uint32_t bucketCount() const { return static_cast<uint32_t>(buckets_.size()); }
    size_t size() const { return size_; }

    // Length of one bucket's chain; for tests of the hash's spread.
    size_t chainLength(uint32_t bucket) const
    {
        size_t n = 0;
        for (const Node* node = buckets_.at(bucket).get(); node; node = node->next.get()) ++n;
        return n;
    }

    ~HashTable()
    {
        // Unlink chains iteratively so that a long chain cannot overflow the stack.
        for (auto& head : buckets_) {
            while (head) head = std::move(head->next);
        }
    }

private:
    struct Node {
        const Key* key;
        Value* value;
        std::unique_ptr<Node> next;
    };

    HashTable(uint32_t bucketCount, HashFn hash, EqualsFn equals)
        : buckets_(bucketCount), tails_(bucketCount, nullptr), hash_(hash), equals_(equals)
    {
    }

    uint32_t bucketOf(const Key& key) const { return hash_(key, bucketCount()) % bucketCount(); }

    std::vector<std::unique_ptr<Node>> buckets_;
    std::vector<Node*> tails_;  // borrowed: the last node of each chain
    HashFn hash_;
    EqualsFn equals_;
    size_t size_ = 0;
};

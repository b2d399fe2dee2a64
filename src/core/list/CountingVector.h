#pragma once

#include <cstddef>
#include <numeric>
#include <utility>
#include <vector>

namespace qm {

/// A sequence of numbers that, as long as it counts up from its first
/// number by one (a freshly loaded list's row numbers and RecIds), stores
/// nothing but its length; the first change that breaks the count stores
/// every number once. Reading costs a well-predicted test.
template <typename T>
class CountingVector {
public:
    explicit CountingVector(T first) : first_(first) {}

    std::size_t size() const { return counting_ ? size_ : stored_.size(); }
    bool empty() const { return size() == 0; }
    T operator[](std::size_t i) const {
        return counting_ ? static_cast<T>(first_ + static_cast<T>(i)) : stored_[i];
    }
    /// Whether nothing is stored: element i is first + i.
    bool counting() const { return counting_; }

    void set(std::size_t i, T v) {
        if (counting_ && v == (*this)[i]) {
            return;
        }
        store();
        stored_[i] = v;
    }
    void push_back(T v) {
        if (counting_ && v == static_cast<T>(first_ + static_cast<T>(size_))) {
            ++size_;
            return;
        }
        store();
        stored_.push_back(v);
    }
    void insert(std::size_t i, T v) {
        if (i == size()) {
            push_back(v);
            return;
        }
        store();
        stored_.insert(stored_.begin() + static_cast<std::ptrdiff_t>(i), v);
    }
    void erase(std::size_t i) {
        if (counting_ && i + 1 == size_) {
            --size_;
            return;
        }
        store();
        stored_.erase(stored_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    /// Makes it first, first + 1, ... of length n.
    void assignCounting(std::size_t n) {
        std::vector<T>().swap(stored_);
        counting_ = true;
        size_ = n;
    }
    void assign(std::vector<T> values) {
        stored_ = std::move(values);
        counting_ = false;
        size_ = 0;
    }
    /// Empties it and gives its memory back.
    void clear() { assignCounting(0); }
    void reserve(std::size_t n) {
        if (!counting_) {
            stored_.reserve(n);
        }
    }

private:
    void store() {
        if (!counting_) {
            return;
        }
        stored_.resize(size_);
        std::iota(stored_.begin(), stored_.end(), first_);
        counting_ = false;
        size_ = 0;
    }

    T first_;
    bool counting_ = true;
    std::size_t size_ = 0;
    std::vector<T> stored_;
};

}  // namespace qm

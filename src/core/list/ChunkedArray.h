#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace qm {

/// An append-only array kept in chunks of fixed size, so that growing it
/// never moves what it holds: no copy of the whole array and no moment with
/// both the old and the new buffer alive, as a doubling vector has. Only
/// the first chunk grows (doubling) until it reaches the chunk size, so a
/// small array stays small.
template <typename T>
class ChunkedArray {
public:
    static constexpr unsigned kShift = 15;
    static constexpr std::size_t kChunk = std::size_t{1} << kShift;
    static constexpr std::size_t kMask = kChunk - 1;

    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return chunks_[i >> kShift][i & kMask]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & kMask]; }

    void push_back(T v) {
        if (size_ == capacity_) {
            grow();
        }
        (*this)[size_++] = v;
    }

    /// Makes room for `n` elements in all, without changing the size.
    void reserve(std::size_t n) {
        while (capacity_ < n) {
            grow();
        }
    }

    /// Sets the size to `n`, new elements taking the value `v`.
    void resize(std::size_t n, T v) {
        reserve(n);
        while (size_ < n) {
            (*this)[size_++] = v;
        }
        size_ = std::min(size_, n);
    }

    std::size_t bytesReserved() const { return capacity_ * sizeof(T); }

private:
    void grow() {
        if (chunks_.empty()) {
            chunks_.push_back(std::make_unique_for_overwrite<T[]>(kFirst));
            capacity_ = kFirst;
        } else if (capacity_ < kChunk) {
            // Only the first chunk is ever moved, while it is small.
            const std::size_t grown = std::min(capacity_ * 2, kChunk);
            auto bigger = std::make_unique_for_overwrite<T[]>(grown);
            std::memcpy(bigger.get(), chunks_[0].get(), size_ * sizeof(T));
            chunks_[0] = std::move(bigger);
            capacity_ = grown;
        } else {
            chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
            capacity_ += kChunk;
        }
    }

    static constexpr std::size_t kFirst = 16;
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

/// Bytes kept in blocks that never move: a value once stored keeps its
/// address for the life of the arena, so it can be pointed at directly.
class ByteArena {
public:
    /// Copies `tag` (when `withTag`) and `size` bytes in one piece; returns where.
    const char* add(const char* data, std::size_t size, bool withTag = false, char tag = 0) {
        const std::size_t need = size + (withTag ? 1 : 0);
        if (need == 0) {
            return nullptr;
        }
        char* at = room(need);
        if (withTag) {
            *at = tag;
        }
        if (size > 0) {
            std::memcpy(at + (withTag ? 1 : 0), data, size);
        }
        return at;
    }

    std::size_t bytesReserved() const { return reserved_; }

private:
    char* room(std::size_t need) {
        if (need > kLargest) {
            // A large value gets a block of its own, leaving the current one open.
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(need));
            reserved_ += need;
            return blocks_.back().get();
        }
        if (current_ == nullptr || used_ + need > blockSize_) {
            // Blocks double up to their full size, and always hold the value.
            blockSize_ = std::max(
                need, current_ == nullptr ? kFirstBlock : std::min(blockSize_ * 2, kBlock));
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
            current_ = blocks_.back().get();
            reserved_ += blockSize_;
            used_ = 0;
        }
        char* at = current_ + used_;
        used_ += need;
        return at;
    }

    static constexpr std::size_t kFirstBlock = 256;
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    static constexpr std::size_t kLargest = kBlock / 4;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* current_ = nullptr;
    std::size_t blockSize_ = 0;
    std::size_t used_ = 0;
    std::size_t reserved_ = 0;
};

}  // namespace qm

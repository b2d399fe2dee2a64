#pragma once

#include "db/Query.h"
#include "list/RowStore.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace qm {

/// Reads every row of one open query into a store of its own, which no list
/// sees until the reading is complete, so a stop or a failure leaves the
/// lists as they were. The store's columns are those the list will have: its
/// own stored columns (flags) first, then one per query field in query order.
/// Reading touches only the query and the store, so it may run on a thread
/// of its own where the query allows it (Query::readsOnAnyThread); it never
/// reaches a port, a message or a list.
class SideReader {
public:
    /// `ownColumns`: the storage classes of the list's own stored columns;
    /// `falseColumn`: one of them that every row sets false (-1: none).
    /// Raises Error for a field whose type no list can hold.
    SideReader(Query& query, std::vector<StorageClass> ownColumns, int falseColumn);

    /// Called on the reading thread after each row with the rows read so
    /// far; empty by default, costing a test per row. Tests slow a side down
    /// or make it fail here.
    std::function<void(std::size_t rows)> afterRow;

    /// Whether the rows may be read on another thread than the caller's.
    bool readsOnAnyThread() const { return query_.readsOnAnyThread(); }
    /// Reads the rows until the last one, or until `stop` is raised (looked
    /// at every few hundred rows). Never raises: a failure is kept, see
    /// failure(). `tick`, when given, is called as often as `stop` is read.
    void run(const std::atomic<bool>& stop, const std::function<void()>& tick = {});
    /// Rows read so far; may be asked from any thread.
    std::size_t rowsRead() const { return rows_.load(std::memory_order_relaxed); }
    /// What ended the reading early; null when it ran to the end or was stopped.
    std::exception_ptr failure() const { return failure_; }
    /// Whether the reading ran to the last row.
    bool complete() const { return complete_; }
    /// The rows read; the reader is empty afterwards.
    std::unique_ptr<RowStore> takeRows() { return std::move(store_); }

private:
    void readAll(const std::atomic<bool>& stop, const std::function<void()>& tick);

    Query& query_;
    std::size_t own_;
    int falseColumn_;
    std::unique_ptr<RowStore> store_;
    std::atomic<std::size_t> rows_{0};
    std::exception_ptr failure_;
    bool complete_ = false;
};

/// Reads two sides at once, each on a thread of its own where its query
/// allows it (otherwise on the calling thread, one after the other), and
/// waits. Meanwhile `poll` is called on the calling thread about every
/// 30 ms; true stops both readers. When either fails, the other is told to
/// stop. Both are finished when this returns or raises: Cancelled after a
/// stop, else the source's failure, else the target's.
void readBothSides(SideReader& source, SideReader& target, const std::function<bool()>& poll);

}  // namespace qm

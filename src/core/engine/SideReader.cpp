#include "engine/SideReader.h"

#include "common/Cancellation.h"
#include "common/Errors.h"
#include "list/TaggedValue.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// How often a stop is looked for while reading, in rows: a relaxed load is
// cheap, but a call to `tick` on the caller's thread is not.
constexpr std::size_t kStopEvery = 512;
constexpr auto kPollEvery = std::chrono::milliseconds(30);

}  // namespace

SideReader::SideReader(Query& query, std::vector<StorageClass> ownColumns, int falseColumn)
    : query_(query), own_(ownColumns.size()), falseColumn_(falseColumn) {
    std::vector<StorageClass> classes = std::move(ownColumns);
    for (int i = 0; i < query.fieldCount(); ++i) {
        const QueryField& q = query.field(i);
        if (!isUsableType(q.type)) {
            throw Error(u"Field '%1' has a data type that cannot be held in a list (%2)"_s.arg(
                q.name, fieldTypeName(q.type)));
        }
        classes.push_back(storageClassOf(q.type));
    }
    store_ = std::make_unique<RowStore>(std::move(classes));
}

void SideReader::run(const std::atomic<bool>& stop, const std::function<void()>& tick) {
    try {
        readAll(stop, tick);
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void SideReader::readAll(const std::atomic<bool>& stop, const std::function<void()>& tick) {
    std::vector<int> columns(static_cast<std::size_t>(query_.fieldCount()));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i] = static_cast<int>(own_ + i);
    }
    RowStore& store = *store_;
    std::size_t read = 0;
    while (!query_.eof()) {
        if (read % kStopEvery == 0) {
            if (tick) {
                tick();
            }
            if (stop.load(std::memory_order_relaxed)) {
                return;
            }
        }
        const std::uint32_t row = store.appendRow();
        for (;;) {
            try {
                query_.readRow(store, row, columns);
                break;
            } catch (const FieldNeedsVariant& e) {
                // A SQLite value of another storage class: the column takes
                // values of every class from now on, the rows read so far
                // converted once, and the row is read again.
                const FieldType old = query_.field(e.field()).type;
                query_.widenField(e.field());
                store.convertToBytes(
                    own_ + static_cast<std::size_t>(e.field()),
                    [old](const Value& v) { return TaggedValue::fromTyped(v, old); });
            }
        }
        if (falseColumn_ >= 0) {
            store.setBool(row, static_cast<std::size_t>(falseColumn_), false);
        }
        rows_.store(++read, std::memory_order_relaxed);
        if (afterRow) {
            afterRow(read);
        }
        query_.next();
    }
    complete_ = true;
}

void readBothSides(SideReader& source, SideReader& target, const std::function<bool()>& poll) {
    std::atomic<bool> stop{false};
    bool cancelled = false;
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    auto lastPoll = std::chrono::steady_clock::now();
    // On this thread only: asks whether to stop at most every kPollEvery.
    const auto pollNow = [&](bool always) {
        const auto now = std::chrono::steady_clock::now();
        if (!always && now - lastPoll < kPollEvery) {
            return;
        }
        lastPoll = now;
        if (!cancelled && poll()) {
            cancelled = true;
            stop.store(true, std::memory_order_relaxed);
        }
    };

    std::vector<std::thread> threads;
    // Threads are joined on every way out, a raising poll included: the
    // readers use the queries and stores of the caller.
    struct Joiner {
        std::atomic<bool>& stop;
        std::vector<std::thread>& threads;
        ~Joiner() {
            for (std::thread& t : threads) {
                if (t.joinable()) {
                    stop.store(true, std::memory_order_relaxed);
                    t.join();
                }
            }
        }
    } joiner{stop, threads};

    SideReader* const readers[] = {&source, &target};
    std::vector<SideReader*> here;
    for (SideReader* reader : readers) {
        if (!reader->readsOnAnyThread()) {
            here.push_back(reader);
            continue;
        }
        {
            const std::lock_guard lock(mutex);
            ++running;
        }
        threads.emplace_back([reader, &stop, &mutex, &finished, &running] {
            reader->run(stop);
            if (reader->failure()) {
                stop.store(true, std::memory_order_relaxed);
            }
            {
                const std::lock_guard lock(mutex);
                --running;
            }
            finished.notify_all();
        });
    }
    for (SideReader* reader : here) {
        reader->run(stop, [&] { pollNow(false); });
        if (reader->failure()) {
            stop.store(true, std::memory_order_relaxed);
        }
    }
    for (;;) {
        {
            std::unique_lock lock(mutex);
            if (finished.wait_for(lock, kPollEvery, [&] { return running == 0; })) {
                break;
            }
        }
        pollNow(true);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    if (cancelled) {
        throw Cancelled();
    }
    for (SideReader* reader : readers) {
        if (reader->failure()) {
            std::rethrow_exception(reader->failure());
        }
    }
}

}  // namespace qm

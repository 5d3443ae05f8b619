#include "RowsAhead.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace {

// Rows made between two wake-ups of the taker: often enough to keep it busy, rarely enough
// that the locking costs nothing worth measuring.
constexpr std::size_t kBatch = 64;
// Rows made before the taker has taken them, at most: the memory of the rows taken is then
// reused for the next ones while it is still in the processor's caches, and a large sheet does
// not hold all its rows' values twice.
constexpr std::size_t kAhead = 1024;

}  // namespace

RowsAhead::RowsAhead(std::size_t count, Make make) : make_(std::move(make)), rows_(count) {
    try {
        thread_ = std::thread(&RowsAhead::makeAll, this);
    } catch (const std::system_error&) {
        // take() makes the rows itself.
    }
}

RowsAhead::~RowsAhead() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    tookMore_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void RowsAhead::makeAll() {
    std::size_t i = 0;
    try {
        while (i < rows_.size()) {
            {
                std::unique_lock lock(mutex_);
                tookMore_.wait(lock, [&] { return stop_ || i < taken_ + kAhead; });
                if (stop_) return;
            }
            const std::size_t end = std::min(rows_.size(), i + kBatch);
            for (; i < end; ++i) rows_[i] = make_(i);
            {
                const std::lock_guard lock(mutex_);
                made_ = i;
            }
            madeMore_.notify_one();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        made_ = i;
        error_ = std::current_exception();
    }
    madeMore_.notify_one();
}

std::optional<QVariantList> RowsAhead::take(std::size_t index) {
    if (!thread_.joinable()) return make_(index);
    std::unique_lock lock(mutex_);
    taken_ = index;
    if (index % kBatch == 0) tookMore_.notify_one();
    madeMore_.wait(lock, [&] { return made_ > index || error_; });
    if (made_ <= index) std::rethrow_exception(error_);
    lock.unlock();
    return std::move(rows_[index]);
}

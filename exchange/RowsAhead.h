#pragma once

#include <QVariantList>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The values of rows 0 to count-1, made in order on a second thread (a bounded way ahead) while
// the caller takes and uses the rows made before: writing rows to the database and making the next
// rows' values then overlap. `make` must be safe to call from another thread; nothing (an empty
// optional) is a row that has no values.
//
// Errors: an exception thrown by `make` is thrown again by take() for that row. Without a
// second thread (none could be started) take() makes each row itself.
class RowsAhead {
  public:
    using Make = std::function<std::optional<QVariantList>(std::size_t)>;

    RowsAhead(std::size_t count, Make make);
    // Stops the second thread after the row it is making.
    ~RowsAhead();
    RowsAhead(const RowsAhead&) = delete;
    RowsAhead& operator=(const RowsAhead&) = delete;

    // Row `index`, once made; each row is taken once, in order.
    std::optional<QVariantList> take(std::size_t index);

  private:
    void makeAll();

    Make make_;
    std::vector<std::optional<QVariantList>> rows_;
    std::mutex mutex_;
    std::condition_variable madeMore_;
    std::condition_variable tookMore_;
    // Under mutex_: rows made, rows taken, the first failure, whether to stop.
    std::size_t made_ = 0;
    std::size_t taken_ = 0;
    std::exception_ptr error_;
    bool stop_ = false;
    std::thread thread_;
};

#include "ModalWatch.h"

namespace {

constexpr int kPollMs = 10;

}  // namespace

ModalWatch::ModalWatch(std::function<bool(QWidget* modal)> answer)
    : ModalWatch([] { return QApplication::activeModalWidget(); }, std::move(answer)) {}

ModalWatch::ModalWatch(std::function<QWidget*()> find, std::function<bool(QWidget* window)> answer)
    : timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(kPollMs);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(),
                     [this, find = std::move(find), answer = std::move(answer)] {
                         QWidget* modal = find();
                         if (!modal) return;
                         // Stopped while answering: the answer may wait in a window of its own.
                         timer_->stop();
                         if (answer(modal)) {
                             answered_ = true;
                             return;
                         }
                         timer_->start();
                     });
    timer_->start();
}

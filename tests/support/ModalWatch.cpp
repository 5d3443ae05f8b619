#include "ModalWatch.h"

namespace {

constexpr int kPollMs = 10;

}  // namespace

ModalWatch::ModalWatch(std::function<bool(QWidget* modal)> answer)
    : timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(kPollMs);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(),
                     [this, answer = std::move(answer)] {
                         QWidget* modal = QApplication::activeModalWidget();
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

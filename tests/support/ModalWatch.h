#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Answers the modal window that shows next, from the event loop (exec() returns only after the
// window closed, so a test answers it from a timer). The watch ends with its owner's scope: a
// watch whose window never came cannot hand a later test's window to captures that died with
// the test that set it up.
class ModalWatch {
  public:
    // `answer` is offered the active modal window while it returns false; true ends the watch.
    explicit ModalWatch(std::function<bool(QWidget* modal)> answer);
    // The timer's slot points at this object, so it stays where it was made.
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

    // A watch for the next visible modal window of type T, which `act` answers.
    template <typename T>
    static ModalWatch on(std::function<void(T*)> act) {
        return ModalWatch([act = std::move(act)](QWidget* modal) {
            auto* window = qobject_cast<T*>(modal);
            if (!window || !window->isVisible()) return false;
            act(window);
            return true;
        });
    }

    // True once a window was answered.
    bool answered() const { return answered_; }

  private:
    std::unique_ptr<QTimer> timer_;
    bool answered_ = false;
};

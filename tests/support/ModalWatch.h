#pragma once

#include <QApplication>
#include <QMenu>
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
    // The same for the window `find` gives (null while there is none).
    ModalWatch(std::function<QWidget*()> find, std::function<bool(QWidget* window)> answer);
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

    // A watch for the next pop-up menu (QMenu::exec() also returns only after it closed).
    static ModalWatch onMenu(std::function<void(QMenu*)> act) {
        return ModalWatch([] { return QApplication::activePopupWidget(); },
                          [act = std::move(act)](QWidget* popup) {
                              auto* menu = qobject_cast<QMenu*>(popup);
                              if (!menu || !menu->isVisible()) return false;
                              act(menu);
                              return true;
                          });
    }

    // True once a window was answered.
    bool answered() const { return answered_; }

  private:
    std::unique_ptr<QTimer> timer_;
    bool answered_ = false;
};

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "UiHelpers.h"

namespace {

// A dialog-like window whose tab order runs top to bottom; the label, the disabled edit and the
// hidden edit cannot take the focus.
struct Form {
    Form() {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{first, label, disabled, hidden, second,
                                                          memo, rich, last}) {
            layout->addWidget(w);
        }
        disabled->setEnabled(false);
        window.show();
        hidden->hide();
    }

    QWidget window;
    QLineEdit* first = new QLineEdit;
    QLabel* label = new QLabel(QStringLiteral("姓名"));
    QLineEdit* disabled = new QLineEdit;
    QLineEdit* hidden = new QLineEdit;
    QLineEdit* second = new QLineEdit;
    QPlainTextEdit* memo = new QPlainTextEdit;
    QTextEdit* rich = new QTextEdit;
    QLineEdit* last = new QLineEdit;
};

}  // namespace

TEST(EnterToNextControl, EnterMovesToTheNextControlInTabOrder) {
    enum Control { First, Second, Memo, Rich, Last };
    struct Case {
        const char* name;
        Control from;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool moves;
        Control to;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Case cases[] = {
        {"Return skips controls without focus", First, Qt::Key_Return, none, true, Second},
        {"keypad Enter", First, Qt::Key_Enter, Qt::KeypadModifier, true, Second},
        {"Ctrl+Return in a line edit", First, Qt::Key_Return, Qt::ControlModifier, true, Second},
        {"another key", First, Qt::Key_A, none, false, First},
        {"Tab is not Enter", First, Qt::Key_Tab, none, false, First},
        {"Return before a memo", Second, Qt::Key_Return, none, true, Memo},
        {"Return in a memo", Memo, Qt::Key_Return, none, false, Memo},
        {"Ctrl+Return in a memo", Memo, Qt::Key_Return, Qt::ControlModifier, true, Rich},
        {"Return in rich text", Rich, Qt::Key_Return, none, false, Rich},
        {"Ctrl+Enter in rich text", Rich, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier,
         true, Last},
        {"wraps round to the first control", Last, Qt::Key_Return, none, true, First},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form form;
        QWidget* const controls[] = {form.first, form.second, form.memo, form.rich, form.last};
        QWidget* from = controls[c.from];
        from->setFocus();
        ASSERT_EQ(form.window.focusWidget(), from);

        QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(EnterToNextControl(from, &event), c.moves);
        EXPECT_EQ(form.window.focusWidget(), controls[c.to]);
    }
}

TEST(EnterToNextControl, IgnoresKeyReleaseAndALoneControl) {
    Form form;
    form.first->setFocus();
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    EXPECT_FALSE(EnterToNextControl(form.first, &release));
    EXPECT_EQ(form.window.focusWidget(), form.first);

    QWidget alone;
    auto* edit = new QLineEdit(&alone);
    alone.show();
    edit->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    EXPECT_FALSE(EnterToNextControl(edit, &enter));
    EXPECT_EQ(alone.focusWidget(), edit);
}

TEST(BrowseForFolder, GivesTheChosenFolderOrNothingWhenCancelled) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString chosen = temp.filePath(QStringLiteral("电子工资条"));
    ASSERT_TRUE(QDir().mkpath(chosen));
    QWidget owner;
    owner.show();

    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept ? "accepted" : "cancelled");
        QString title;
        // The chooser is modal; answer it from the event loop it runs.
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                ADD_FAILURE() << "no folder chooser open";
                if (modal) {
                    modal->close();
                }
                return;
            }
            title = dialog->windowTitle();
            if (accept) {
                dialog->setDirectory(chosen);
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
        const std::optional<QString> folder =
            BrowseForFolder(&owner, QStringLiteral("选择电子工资条存放路径"), temp.path());
        EXPECT_EQ(title, QStringLiteral("选择电子工资条存放路径"));
        if (accept) {
            ASSERT_TRUE(folder.has_value());
            EXPECT_EQ(QDir(*folder).canonicalPath(), QDir(chosen).canonicalPath());
        } else {
            EXPECT_FALSE(folder.has_value());
        }
    }
}

// qt_test_support.cpp - driving modal Qt dialogs from tests.
#include "dialog/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QTest>

namespace {
constexpr int kPollMs = 10;
}

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "dialog_widget_test";
    static char* argv[] = {name, nullptr};
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *app;
    }
    // Lives to the end of the process, as a program's application object does.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

CMessageBoxAnswerer::CMessageBoxAnswerer() : m_pTimer(std::make_unique<QTimer>()) {
    m_pTimer->setInterval(kPollMs);
    QObject::connect(m_pTimer.get(), &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        m_answered.push_back({box->text(), box->windowFlags(), box->buttons().size()});
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        if (ok != nullptr) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            box->reject();
        }
    });
    m_pTimer->start();
}

CMessageBoxAnswerer::~CMessageBoxAnswerer() = default;

CModalScript::CModalScript(std::function<void(QDialog*)> action, int timeoutMs)
    : m_action(std::move(action)),
      m_pPoll(std::make_unique<QTimer>()),
      m_pWatchdog(std::make_unique<QTimer>()) {
    m_pPoll->setInterval(kPollMs);
    QObject::connect(m_pPoll.get(), &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || qobject_cast<QMessageBox*>(dialog) != nullptr ||
            !dialog->isVisible()) {
            return;
        }
        m_pPoll->stop();
        m_bRan = true;
        m_action(dialog);
    });
    m_pWatchdog->setSingleShot(true);
    m_pWatchdog->setInterval(timeoutMs);
    QObject::connect(m_pWatchdog.get(), &QTimer::timeout, [] {
        ADD_FAILURE() << "a modal window was still open when the test's time ran out";
        // Bounded: a window that refuses to close must not hang the test either.
        for (int i = 0; i < 10; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                break;
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->done(QDialog::Rejected);
            } else {
                modal->close();
            }
        }
    });
    m_pPoll->start();
    m_pWatchdog->start();
}

CModalScript::~CModalScript() = default;

void ClickRow(QAbstractItemView* view, const QModelIndex& index) {
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

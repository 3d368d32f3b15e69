// qt_test_support.cpp - driving modal Qt dialogs from tests.
#include "dialog/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "olvane_test";
    static char* argv[] = {name, nullptr};
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *app;
    }
    static QApplication* app = new QApplication(argc, argv);  // lives as long as the process
    return *app;
}

CModalScript::CModalScript(std::function<void(QDialog*)> action, int timeoutMs)
    : m_action(std::move(action)) {
    QObject::connect(&m_boxes, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            m_answered.push_back(
                {box->text(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        }
    });
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible() &&
            qobject_cast<QMessageBox*>(dialog) == nullptr && !m_bRan && m_action) {
            m_bRan = true;
            m_action(dialog);
        }
    });
    m_boxes.start(10);
    QObject::connect(&m_watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "a modal window was still open when the test's time ran out";
        for (int i = 0; i < 10 && QApplication::activeModalWidget() != nullptr; ++i) {
            QApplication::activeModalWidget()->close();
        }
    });
    m_poll.start(10);
    m_watchdog.setSingleShot(true);
    m_watchdog.start(timeoutMs);
}

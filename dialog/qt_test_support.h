// qt_test_support.h - driving modal Qt dialogs from tests: acting once a dialog is open, answering
// message boxes, and a watchdog so that nothing is ever left waiting for a person.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <vector>

// The test process's application object, made on first use.
QApplication& TestApplication();

// A message box that was answered: its text and whether it stays on top.
struct AnsweredBox {
    QString text;
    bool onTop;
};

// While it lives: answers every message box with OK (keeping what it showed), runs action once on
// the first other dialog to open, and after timeoutMs closes whatever is still open, failing the
// test.
class CModalScript {
  public:
    explicit CModalScript(std::function<void(QDialog*)> action = {}, int timeoutMs = 10000);
    bool Ran() const { return m_bRan; }
    std::vector<AnsweredBox> m_answered;

  private:
    std::function<void(QDialog*)> m_action;
    QTimer m_boxes;  // its own timer: a timer's slot is not entered again while it runs
    QTimer m_poll;
    QTimer m_watchdog;
    bool m_bRan = false;
};

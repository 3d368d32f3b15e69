// qt_test_support.h - driving modal Qt dialogs from tests: acting once a dialog is open, answering
// message boxes, and a watchdog so that nothing is ever left waiting for a person.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

// The test process's application object, made on first use (not before: one test runs without).
QApplication& TestApplication();

// Clicks OK on every message box that becomes the active modal window while it lives, and keeps
// their texts and window flags.
class CMessageBoxAnswerer {
  public:
    CMessageBoxAnswerer();
    ~CMessageBoxAnswerer();
    CMessageBoxAnswerer(const CMessageBoxAnswerer&) = delete;
    CMessageBoxAnswerer& operator=(const CMessageBoxAnswerer&) = delete;

    struct Answered {
        QString text;
        Qt::WindowFlags flags;
        QList<QAbstractButton*>::size_type buttons;
    };
    std::vector<Answered> m_answered;

  private:
    std::unique_ptr<QTimer> m_pTimer;
};

// Runs action on the dialog once it is the active modal window (polling), and closes whatever is
// still open after timeoutMs, reporting a test failure. Destroying it stops both.
class CModalScript {
  public:
    explicit CModalScript(std::function<void(QDialog*)> action, int timeoutMs = 10000);
    ~CModalScript();
    CModalScript(const CModalScript&) = delete;
    CModalScript& operator=(const CModalScript&) = delete;

    bool Ran() const { return m_bRan; }

  private:
    std::function<void(QDialog*)> m_action;
    std::unique_ptr<QTimer> m_pPoll;
    std::unique_ptr<QTimer> m_pWatchdog;
    bool m_bRan = false;
};

// Clicks a row of a list or tree view at its centre, as the operator would.
void ClickRow(QAbstractItemView* view, const QModelIndex& index);

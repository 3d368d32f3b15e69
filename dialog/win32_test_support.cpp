// win32_test_support.cpp - RunWithOperator.
#include "dialog/win32_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

void RunWithOperator(const std::function<void()>& open,
                     const std::function<void(const win32op::COperator&)>& script) {
    const win32op::COperator person(win32op::CurrentThreadId());
    std::atomic<bool> returned{false};
    std::thread operatorThread([&] {
        script(person);
        // Until the call returns, close whatever still comes up (a script that stopped early
        // may leave the dialog, or a message box not yet shown).
        bool leftOpen = false;
        while (!returned) {
            leftOpen = !person.CloseAll() || leftOpen;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_FALSE(leftOpen) << "the script left a window open";
    });
    open();
    returned = true;
    operatorThread.join();
}

// win32_test_support.cpp - RunWithOperator.
#include "dialog/win32_test_support.h"

#include <gtest/gtest.h>

#include <thread>

void RunWithOperator(const std::function<void()>& open,
                     const std::function<void(const win32op::COperator&)>& script) {
    const win32op::COperator person(win32op::CurrentThreadId());
    std::thread operatorThread([&] {
        script(person);
        EXPECT_TRUE(person.CloseAll()) << "the script left a window open";
    });
    open();
    operatorThread.join();
}

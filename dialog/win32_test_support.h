// win32_test_support.h - running a native dialog with a script playing the operator.
#pragma once

#include <functional>

#include "dialog/win32_operator.h"

// Calls open on this thread (it runs a modal dialog, as the host's call does) while script plays
// the operator on a thread of its own. Whatever the script leaves open is then closed, and the
// test fails, so that a failing check never leaves the test waiting for a person.
void RunWithOperator(const std::function<void()>& open,
                     const std::function<void(const win32op::COperator&)>& script);

// host_misuse_fuzzer.cpp - the host-misuse path: the bytes choose a sequence of calls to every
// export but the editor, and the driver checks each result against its model; at the end every
// scene is removed and nothing may be left alive.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "fuzz/host_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    olvane_fuzz::Choices choices(data, size);
    olvane_fuzz::HostDriver driver(choices);
    while (choices.More()) {
        olvane_fuzz::Require(driver.Step(), "host misuse", NarrowToWide(driver.Failure().c_str()));
    }
    olvane_fuzz::Require(driver.Finish(), "host misuse at the end",
                         NarrowToWide(driver.Failure().c_str()));
    return 0;
}

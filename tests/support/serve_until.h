// For tests that link the engine: the main thread serves the requests that
// loader threads post to it until a condition holds, within the bound of
// WaitUntil. Header only: platform tests never see the engine.
#pragma once

#include <functional>
#include <string>

#include "core/async_loading.h"
#include "support/test_support.h"

namespace testsupport {

// Serves (sleeping a millisecond on the layer's clock between rounds) until
// `done` holds; false, with the test failed, when kWaitLimit passed first.
inline bool ServeUntil(const std::function<bool()>& done, const std::string& what) {
    return WaitUntil(
        [&] {
            if (done()) return true;
            DuRud::ServeMainThreadRequests();
            return false;
        },
        kWaitLimit, what);
}

}  // namespace testsupport

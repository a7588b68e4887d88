// Waiting in tests for what another process, another thread or the shell
// does: one bounded poll, whose result names what was awaited and how long.
//
//   EXPECT_TRUE(PollUntil("the viewer's record", 15000, [&] { return FileExists(record); }));
//
// fails with "waited 15000 ms for the viewer's record".
#ifndef QUILLON_TESTS_HELPERS_POLL_H_
#define QUILLON_TESTS_HELPERS_POLL_H_

#include <windows.h>

#include <functional>
#include <string>

#include "gtest/gtest.h"

namespace quillon::helpers {

// Calls |condition| at once and then every 10 ms until it returns true or
// |timeout_ms| have passed (one last call after the bound). Success ("<what>
// after N ms") when it came true, failure ("waited N ms for <what>")
// otherwise, so that EXPECT_FALSE reads too: something that must not come
// didn't within the bound.
::testing::AssertionResult PollUntil(const std::string& what,
                                     DWORD timeout_ms,
                                     const std::function<bool()>& condition);

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_POLL_H_

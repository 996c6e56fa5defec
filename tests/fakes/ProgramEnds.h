// How often the program "ended" in a test process (the test main counts instead of ending).
#pragma once

namespace tn_test {
extern int programEnds;
}  // namespace tn_test

// The support functions that need Windows, replaced for the form's tests at
// link time: each call is recorded so that tests can check what was done.
#pragma once

#include <string>
#include <vector>

namespace lumarind::testing {

struct SupportCalls {
    std::vector<std::wstring> log;
    bool inIde = false;
};

SupportCalls& supportCalls();

}  // namespace lumarind::testing

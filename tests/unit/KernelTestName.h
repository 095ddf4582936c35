// Names the instances of a test run once per instruction set: the kernel's
// name with its letters and digits only, as GoogleTest wants.
#pragma once

#include <cctype>
#include <string>

namespace lumarind {

struct KernelTestName {
    template <typename Info>
    std::string operator()(const Info& info) const {
        std::string name;
        for (const char* c = info.param->name; *c != '\0'; ++c) {
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        }
        return name;
    }
};

}  // namespace lumarind

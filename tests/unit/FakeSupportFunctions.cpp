#include "tests/unit/FakeSupportFunctions.h"

#include "support/SupportFunctions.h"

namespace lumarind {

namespace testing {
SupportCalls& supportCalls() {
    static SupportCalls calls;
    return calls;
}
}  // namespace testing

using testing::supportCalls;

bool tsIsInIDE() { return supportCalls().inIde; }
void tsRegisterAppPath() { supportCalls().log.push_back(L"tsRegisterAppPath"); }
WindowHandle tsGetThunderMainHandle() { return reinterpret_cast<WindowHandle>(0x7); }
void tsSetWindowResIconAll(WindowHandle, const std::wstring& name) {
    supportCalls().log.push_back(L"tsSetWindowResIconAll " + name);
}
void tsCenterFormEx(WindowHandle) { supportCalls().log.push_back(L"tsCenterFormEx"); }
void tsOpenReadMeFile(int) { supportCalls().log.push_back(L"tsOpenReadMeFile"); }

}  // namespace lumarind

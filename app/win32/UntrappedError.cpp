#include "app/win32/UntrappedError.h"

#include <windows.h>

#include <new>
#include <string>

#include "common/Version.h"
#include "support/Error.h"
#include "support/win32/BoxOwner.h"

namespace lumarind::win32 {

void ShowUntrappedError(std::exception_ptr error) noexcept {
    try {
        std::wstring text;
        try {
            std::rethrow_exception(error);
        } catch (const Error& e) {
            text = ErrorText(e);
        } catch (const std::bad_alloc&) {
            text = ErrorText(OutOfMemoryError());
        } catch (...) {
            text = ErrorText(Error(errors::kUnexpected, L"Unexpected failure."));
        }
        MessageBoxW(BoxOwner(), text.c_str(), LUMARIND_WIDEN(LUMARIND_TITLE), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing more can be told; the program ends anyway.
    }
}

}  // namespace lumarind::win32

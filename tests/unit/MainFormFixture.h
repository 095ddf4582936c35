// A main form over fake components and a fake view, as the form tests drive
// it: the support calls counted afresh for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/MainForm.h"
#include "tests/unit/FakeComponents.h"
#include "tests/unit/FakeSupportFunctions.h"

namespace lumarind::testing {

class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override { supportCalls() = SupportCalls{}; }
    // Save as path, the save dialog answering with the filter at filterIndex.
    void SaveAs(const std::wstring& path, int filterIndex) {
        components.dialogScripts.push_back({true, path, filterIndex});
        form.cmdSaveFile_Click();
    }

    FakeComponents components;
    FakeView view;
    MainForm form{view, components};
};

}  // namespace lumarind::testing

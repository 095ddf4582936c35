#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cli/posix/MimeTypesReader.h"

namespace lumarind::cli {
namespace {

TEST(MimeTypesReader, FindsTypesByExtensionWithoutRegardToCase) {
    const std::string path = ::testing::TempDir() + "lumarind-mime.types";
    std::ofstream(path) << "# comment line\nimage/png\t\tpng\ntext/plain  txt text # trailing\napplication/x-empty\n";
    MimeTypesReader reader(path);
    std::int32_t scratch = 0;
    EXPECT_EQ(reader.ReadValue(kHkeyClassesRoot, L".png", L"Content Type", 0, scratch), L"image/png");
    EXPECT_EQ(reader.ReadValue(kHkeyClassesRoot, L".PNG", L"Content Type", 0, scratch), L"image/png");
    EXPECT_EQ(reader.ReadValue(kHkeyClassesRoot, L".text", L"Content Type", 0, scratch), L"text/plain");
    EXPECT_EQ(reader.ReadValue(kHkeyClassesRoot, L".", L"Content Type", 0, scratch), L"");
    EXPECT_EQ(reader.ReadValue(kHkeyClassesRoot, L".trailing", L"Content Type", 0, scratch), L"");
    EXPECT_EQ(MimeTypesReader("/no/such/file").ReadValue(kHkeyClassesRoot, L".png", L"Content Type", 0, scratch),
              L"");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace lumarind::cli

#include "DesktopTest.h"

namespace {

using namespace std::chrono_literals;

class AddressBoxTest : public DesktopTest {};

TEST_F(AddressBoxTest, EnterAndKeypadEnterLoadTheTypedAddressIntoTheCurrentPage) {
  Start(site.Url("/home"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/by-return"), "Return"));
  EXPECT_TRUE(site.WaitForRequests("/by-return")) << program.Output();
  ASSERT_TRUE(program.TypeAddress(site.Url("/by-keypad"), "KP_Enter"));
  EXPECT_TRUE(site.WaitForRequests("/by-keypad")) << program.Output();
  // Both went into the one page window there was.
  EXPECT_EQ(program.Widgets().PageCount(), 1);
}

}  // namespace

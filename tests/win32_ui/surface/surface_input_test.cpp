#include <gtest/gtest.h>

#include "surface_fixture.h"

namespace surface_test {
namespace {

TEST(SurfaceInput, HoverPressAndClickReachTheButtonUnderTheMouse) {
  SurfaceStage stage;
  auto root = column();
  int first_clicks = 0;
  int second_clicks = 0;
  Button& first = add<Button>(*root, 160, 36, 1u, L"First");
  Button& second = add<Button>(*root, 160, 36, 2u, L"Second");
  first.on_invoked([&] { ++first_clicks; });
  second.on_invoked([&] { ++second_clicks; });
  stage.show(std::move(root));

  desktop::move_mouse(stage.window.hwnd(), stage.centre_of(second));
  EXPECT_TRUE(desktop::pump_until([&] { return second.hovered(); })) << "no hover under the mouse";
  EXPECT_FALSE(first.hovered());

  desktop::click(stage.window.hwnd(), stage.centre_of(second));
  EXPECT_TRUE(desktop::pump_until([&] { return second_clicks == 1; }));
  EXPECT_EQ(first_clicks, 0);
  EXPECT_FALSE(second.pressed()) << "the press outlived the release";
}

}  // namespace
}  // namespace surface_test

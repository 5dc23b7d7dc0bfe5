// Dialog units: rectangles converted edge by edge so that neighbouring
// controls stay neighbours and the big pane covers the four small ones.
#include "ui/dialog_units.h"

#include <gtest/gtest.h>

namespace vok {
namespace {

TEST(DialogUnitsTest, ConvertsWithQuarterAndEighthOfTheBaseUnits) {
  const DialogUnits du(6, 13);
  EXPECT_EQ(du.toPixels(4, 8, 8, 16), QRect(6, 13, 12, 26));
  EXPECT_EQ(du.toPixels(QSize(498, 317)), QSize(747, 515));
}

TEST(DialogUnitsTest, BigPaneCoversTheFourSmallPanesExactly) {
  for (const auto& du : {DialogUnits(6, 13), DialogUnits(7, 13), DialogUnits(9, 17)}) {
    const QRect big = du.toPixels(4, 17, 344, 296);
    const QRect united = du.toPixels(4, 17, 170, 141) | du.toPixels(178, 172, 170, 141);
    EXPECT_EQ(big, united);
    // Adjacent rectangles neither overlap nor leave a gap.
    EXPECT_EQ(du.toPixels(4, 4, 170, 13).bottom() + 1, du.toPixels(4, 17, 170, 141).top());
  }
}

}  // namespace
}  // namespace vok

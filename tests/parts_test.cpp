// The pictures of the parts list, which the HTML test cannot look at: each
// shows its piece in its own colour whatever was drawn before it (a white
// piece after a blue one came out blue), and none is made without a view.
#include <gtest/gtest.h>

#include "exports/part_pictures.h"
#include "platform/core_data_dir.h"
#include "shell/render_command.h"

// Mesa's software driver keeps some memory of its own until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

TEST(PartPictures, ShowEachPieceInItsOwnColourWhateverCameBefore) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ASSERT_TRUE(startOffscreenView(100, 100));
  const float white[4] = {1, 1, 1, 1}, blue[4] = {0, 0, 0.8f, 1};
  const std::string whiteFirst = kindPicturePng(offscreenRenderer(), 8, white, 64);
  EXPECT_NE(kindPicturePng(offscreenRenderer(), 8, blue, 64), whiteFirst);
  EXPECT_EQ(kindPicturePng(offscreenRenderer(), 8, white, 64), whiteFirst);
  stopOffscreenView();
  EXPECT_EQ(kindPicturePng(offscreenRenderer(), 8, white, 64), "");
}

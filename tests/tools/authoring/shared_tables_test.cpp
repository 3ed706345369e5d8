// The tool's process holds one copy of the engine: a render object made through libkvxtheme is
// known to the authoring library, which renders it into buffers of libkvxtheme's table and
// reads them back from there. A private copy of either table would refuse the handles.
#include <gtest/gtest.h>

#include <string>

#include "authoring/render_builder.h"
#include "kvxtheme/renderlib.h"

namespace {

TEST(SharedTables, AuthoringRendersAnObjectOfTheLibrarysTable) {
  const RenderHandle object = qrCreateTextObjectWithString("One table");
  ASSERT_NE(object, 0u);
  ASSERT_EQ(qrSetFontSize(object, 32), 1);
  kvxauthor::Rendering rendering;
  std::string error;
  EXPECT_TRUE(kvxauthor::renderObject(object, &rendering, &error)) << error;
  EXPECT_GT(rendering.width, 0);
  EXPECT_GT(rendering.height, 0);
  EXPECT_EQ(rendering.rgb.size(), static_cast<size_t>(rendering.width) * rendering.height * 3);
  EXPECT_EQ(qrDeleteTextPathObject(object), 1);
}

}  // namespace

#include "render/Canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/RunLoop.h"
#include "quartz/Layer.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"

namespace {

using quartz::Color;

// A 300x200 scene (large enough that its pixel buffers are pooled): a red
// square on a transparent ground.
class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(10);
    root_ = quartz::Layer::layer();
    root_->setFrame({0, 0, 300, 200});
    square_ = quartz::Layer::layer();
    square_->setFrame({100, 50, 40, 40});
    square_->setBackgroundColor(Color::rgba(1, 0, 0, 1));
    root_->addSublayer(square_);
    quartz::Transaction::flush();
  }
  bool draw(render::Canvas& canvas) { return renderer_.render(*root_, foundation::RunLoop::main().now(), canvas); }

  render::Renderer renderer_;
  std::shared_ptr<quartz::Layer> root_;
  std::shared_ptr<quartz::Layer> square_;
};

// Taking the image hands the drawing over; the canvas is blank afterwards
// and draws the same frame again when asked (it no longer shows it).
TEST_F(CanvasTest, TakenImageKeepsTheDrawingAndLeavesTheCanvasBlank) {
  render::Canvas canvas({300, 200});
  ASSERT_TRUE(draw(canvas));
  auto copy = canvas.image();
  auto taken = canvas.takeImage();
  for (const auto& image : {copy, taken}) {
    EXPECT_EQ(image->pixelAt(120, 70), 0xffff0000u);
    EXPECT_EQ(image->pixelAt(10, 10), 0u);
  }
  EXPECT_EQ(canvas.pixelAt(120, 70), 0u);
  EXPECT_TRUE(draw(canvas));
  EXPECT_EQ(canvas.pixelAt(120, 70), 0xffff0000u);
  EXPECT_EQ(taken->pixelAt(120, 70), 0xffff0000u);  // the image kept its own pixels
}

// A canvas over the caller's memory (a display's shared segment) draws
// there, whatever the memory held, and hands out copies: the memory stays
// the caller's and keeps the frame until the canvas is cleared.
TEST_F(CanvasTest, CanvasOverTheCallersMemoryDrawsThereAndHandsOutCopies) {
  std::vector<std::uint32_t> memory(300 * 200, 0xdeadbeefu);
  {
    render::Canvas canvas(300, 200, 1.0, memory.data());
    ASSERT_TRUE(draw(canvas));
    EXPECT_EQ(memory[70 * 300 + 120], 0xffff0000u);
    EXPECT_EQ(memory[10 * 300 + 10], 0u);  // cleared, not left as it was
    auto taken = canvas.takeImage();
    EXPECT_EQ(taken->pixelAt(120, 70), 0xffff0000u);
    EXPECT_EQ(memory[70 * 300 + 120], 0u);
    EXPECT_TRUE(draw(canvas));
    EXPECT_EQ(memory[70 * 300 + 120], 0xffff0000u);
  }
  EXPECT_EQ(memory[70 * 300 + 120], 0xffff0000u);  // the memory outlives the canvas untouched
}

// Buffers of released images are reused by later canvases: a new canvas is
// transparent whatever its buffer held, and frames drawn into a reused
// buffer show only what they draw.
TEST_F(CanvasTest, ReusedBuffersStartTransparent) {
  for (int round = 0; round < 3; ++round) {
    {
      render::Canvas canvas({300, 200});
      ASSERT_TRUE(draw(canvas));
      canvas.takeImage();  // released at once: its buffer goes back
    }
    render::Canvas fresh({300, 200});
    EXPECT_EQ(fresh.pixelAt(120, 70), 0u) << round;
    square_->setPosition({20 + 10.0 * round, 20});
    quartz::Transaction::flush();
    ASSERT_TRUE(draw(fresh));
    auto image = fresh.takeImage();
    EXPECT_EQ(image->pixelAt(120, 70), 0u) << round;  // the square has moved away
    EXPECT_EQ(image->pixelAt(static_cast<int>(20 + 10.0 * round), 20), 0xffff0000u) << round;
  }
}

}  // namespace

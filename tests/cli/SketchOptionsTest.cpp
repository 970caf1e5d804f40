#include <gtest/gtest.h>

#include "SketchOptions.h"

namespace tracella {
namespace {

SketchOptions Parsed(const QStringList& arguments) {
  const auto parsed = ParseSketchOptions(arguments);
  if (const auto* error = std::get_if<SketchUsageError>(&parsed)) ADD_FAILURE() << error->reason.toStdString();
  return std::get_if<SketchOptions>(&parsed) ? std::get<SketchOptions>(parsed) : SketchOptions{};
}

TEST(SketchOptionsTest, DefaultsAndEveryOptionInBothSpellings) {
  const SketchOptions plain = Parsed({"in.jpg", "out.png"});
  EXPECT_EQ(plain.threshold, 9.0f);
  EXPECT_EQ(plain.color, claBlack);
  EXPECT_EQ(plain.inputs, QStringList{"in.jpg"});
  EXPECT_EQ(plain.output, "out.png");

  const SketchOptions set = Parsed({"--threshold", "12.5", "--color=80FF00aa", "in.bmp", "OUT.JPEG"});
  EXPECT_EQ(set.threshold, 12.5f);
  EXPECT_EQ(set.color, 0x80FF00AAu);

  const SketchOptions batch = Parsed({"--out-dir=sketches", "a.jpg", "--format", "PNG", "b/c.d.tif", "--", "-odd.png"});
  EXPECT_EQ(batch.format, "png");
  EXPECT_EQ(batch.inputs, (QStringList{"a.jpg", "b/c.d.tif", "-odd.png"}));
  const QList<SketchJob> jobs = SketchJobs(batch);
  ASSERT_EQ(jobs.size(), 3);
  EXPECT_EQ(jobs[1].input, "b/c.d.tif");
  EXPECT_EQ(jobs[1].output, "sketches/c.d.png");
  EXPECT_EQ(SketchJobs(Parsed({"--out-dir", "s", "x.gif"}))[0].output, "s/x.jpg");
}

TEST(SketchOptionsTest, ThresholdLimitsAreInclusive) {
  EXPECT_EQ(Parsed({"--threshold", "3", "a.png", "b.png"}).threshold, 3.0f);
  EXPECT_EQ(Parsed({"--threshold", "33", "a.png", "b.png"}).threshold, 33.0f);
}

TEST(SketchOptionsTest, HelpWinsOverEverythingElse) {
  for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"-h", "--bogus"}, QStringList{"a", "--help"}}) {
    const auto parsed = ParseSketchOptions(arguments);
    ASSERT_TRUE(std::holds_alternative<SketchOptions>(parsed));
    EXPECT_TRUE(std::get<SketchOptions>(parsed).help);
  }
}

TEST(SketchOptionsTest, UsageErrors) {
  const QStringList cases[] = {
      {},
      {"only-input.png"},
      {"a.png", "b.png", "c.png"},
      {"a.png", "b.bmp"},
      {"a.png", "b"},
      {"--threshold", "2.99", "a.png", "b.png"},
      {"--threshold", "33.01", "a.png", "b.png"},
      {"--threshold", "nine", "a.png", "b.png"},
      {"--threshold", "nan", "a.png", "b.png"},
      {"--threshold=", "a.png", "b.png"},
      {"a.png", "b.png", "--threshold"},
      {"--color", "FF00000", "a.png", "b.png"},
      {"--color", "FF0000000", "a.png", "b.png"},
      {"--color", "0xFF0000", "a.png", "b.png"},
      {"--color", "GG000000", "a.png", "b.png"},
      {"--format", "png", "a.png", "b.png"},
      {"--out-dir", "d", "--format", "gif", "a.png"},
      {"--out-dir", "d"},
      {"--out-dir", "", "a.png"},
      {"--bogus", "a.png", "b.png"},
  };
  for (const QStringList& arguments : cases) {
    const auto parsed = ParseSketchOptions(arguments);
    EXPECT_TRUE(std::holds_alternative<SketchUsageError>(parsed)) << arguments.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace tracella

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "MatchesReference.h"

namespace tracella {
namespace {

TEST(MatchesReferenceTest, OnARealPhotograph) {
  QImage photo(TRACELLA_SOURCE_DIR "/resources/sample.png");
  ASSERT_FALSE(photo.isNull());
  photo = photo.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  TBitmap source(photo.width(), photo.height());
  for (int y = 0; y < photo.height(); ++y)
    std::memcpy(source.ScanLine(y), photo.constScanLine(y), static_cast<std::size_t>(photo.width()) * 4);
  for (const float threshold : {3.0f, 9.0f, 10.52f, 33.0f}) ExpectSameAsReference(source, threshold, claBlack);
}

}  // namespace
}  // namespace tracella

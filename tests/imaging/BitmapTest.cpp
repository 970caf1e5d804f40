#include <gtest/gtest.h>

#include <cstring>

#include "Bitmap.h"
#include "Exception.h"
#include "RandomImage.h"

namespace tracella {
namespace {

TEST(BitmapTest, NewBitmapIsEmptyAndOffersNoPixelAccess) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  TBitmapData data;
  EXPECT_FALSE(bitmap.Map(TMapAccess::Read, data));
}

TEST(BitmapTest, AssignFromEmptyLeavesDestinationEmpty) {
  TBitmap empty, destination(3, 2);
  destination.Assign(empty);
  EXPECT_EQ(destination.Width(), 0);
  EXPECT_EQ(destination.Height(), 0);
}

TEST(BitmapTest, AssignCopiesSizeAndEveryByte) {
  const TBitmap source = RandomImage(7, 5, 1);
  TBitmap destination(2, 2);
  destination.Assign(source);
  ASSERT_EQ(destination.Width(), 7);
  ASSERT_EQ(destination.Height(), 5);
  EXPECT_EQ(0, std::memcmp(destination.Pixels(), source.Pixels(), source.PixelCount() * 4));
}

TEST(BitmapTest, SettingTheCurrentSizeKeepsEveryPixel) {
  TBitmap bitmap = RandomImage(4, 3, 2);
  const TBitmap copy = RandomImage(4, 3, 2);
  bitmap.SetWidth(4);
  bitmap.SetHeight(3);
  EXPECT_EQ(0, std::memcmp(bitmap.Pixels(), copy.Pixels(), copy.PixelCount() * 4));
}

TEST(BitmapTest, NegativeSidesCountAsZeroAndTooLargeSidesAreRefused) {
  TBitmap bitmap(3, 3);
  bitmap.SetWidth(-5);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_NO_THROW(bitmap.SetWidth(MaxBitmapSize));
  EXPECT_THROW(bitmap.SetHeight(MaxBitmapSize + 1), EBitmapSizeTooBig);
  EXPECT_THROW(bitmap.SetWidth(MaxBitmapSize + 1), EBitmapSizeTooBig);
  EXPECT_EQ(bitmap.Width(), MaxBitmapSize);  // a refused size changes nothing
  EXPECT_STREQ(EBitmapSizeTooBig().what(), "Bitmap size too big.");
}

TEST(BitmapTest, ClearStoresPremultipliedAndSetPixelStoresExactly) {
  TBitmap bitmap(2, 2);
  bitmap.Clear(claWhite);
  TBitmapData data;
  ASSERT_TRUE(bitmap.Map(TMapAccess::ReadWrite, data));
  EXPECT_EQ(data.GetPixel(1, 1), claWhite);
  data.SetPixel(0, 1, 0x80FF0000u);
  EXPECT_EQ(data.GetPixel(0, 1), 0x80FF0000u);  // no premultiplication on writing
  bitmap.Unmap(data);
  EXPECT_EQ(data.Data, nullptr);

  bitmap.Clear(0x80FFFF00u);
  EXPECT_EQ(bitmap.Pixels()[3], 0x80808000u);
}

TEST(BitmapTest, PremultiplyRoundsToNearest) {
  EXPECT_EQ(Premultiply(0x80FFFF00u), 0x80808000u);
  EXPECT_EQ(Premultiply(0x00ABCDEFu), 0x00000000u);
  EXPECT_EQ(Premultiply(0xFF123456u), 0xFF123456u);
}

}  // namespace
}  // namespace tracella

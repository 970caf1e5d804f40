#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

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

// Assign shares the pixels until one side writes; whichever side writes, and however, the other
// keeps what it had.
TEST(BitmapTest, AChangeAfterAssignNeverShowsInTheOther) {
  const std::vector<std::pair<const char*, void (*)(TBitmap&)>> changes = {
      {"Pixels", [](TBitmap& b) { b.Pixels()[4] = 1; }},
      {"ScanLine", [](TBitmap& b) { b.ScanLine(1)[0] = 1; }},
      {"PixelsToOverwrite", [](TBitmap& b) { std::fill_n(b.PixelsToOverwrite(), b.PixelCount(), 1u); }},
      {"Clear", [](TBitmap& b) { b.Clear(claBlack); }},
      {"SetPixel",
       [](TBitmap& b) {
         TBitmapData data;
         b.Map(TMapAccess::Write, data);
         data.SetPixel(2, 2, 1);
         b.Unmap(data);
       }},
      {"SetSize", [](TBitmap& b) { b.SetSize(3, 3); }},
  };
  for (const auto& [name, change] : changes) {
    for (const bool changeTheCopy : {false, true}) {
      const TBitmap original = RandomImage(4, 4, 3);
      TBitmap source = RandomImage(4, 4, 3), copy;
      copy.Assign(source);
      change(changeTheCopy ? copy : source);
      const TBitmap& unchanged = changeTheCopy ? source : copy;
      ASSERT_EQ(unchanged.Width(), 4) << name;
      EXPECT_EQ(0, std::memcmp(unchanged.Pixels(), original.Pixels(), original.PixelCount() * 4))
          << name << (changeTheCopy ? " on the copy" : " on the source");
    }
  }
}

TEST(BitmapTest, ReadingAfterAssignCopiesNothing) {
  const TBitmap source = RandomImage(64, 64, 4);
  TBitmap copy;
  copy.Assign(source);
  EXPECT_EQ(std::as_const(copy).Pixels(), source.Pixels());
  TBitmapData data;
  ASSERT_TRUE(copy.Map(TMapAccess::Read, data));
  EXPECT_EQ(data.Data, source.Pixels());
  copy.Unmap(data);
}

// Changing between picture sizes costs no fresh memory once the larger has been held.
TEST(BitmapTest, KeepsItsMemoryWhenItShrinksAndGrowsBack) {
  TBitmap bitmap(6000, 4000);
  const TAlphaColor* memory = bitmap.Pixels();
  bitmap.SetSize(4243, 2828);
  EXPECT_EQ(bitmap.Pixels(), memory);
  bitmap.SetWidth(6000);
  bitmap.SetHeight(4000);
  EXPECT_EQ(bitmap.Pixels(), memory);
  bitmap.SetSize(0, 0);
  EXPECT_EQ(bitmap.Pixels(), nullptr);  // an empty bitmap holds nothing
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

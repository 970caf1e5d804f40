#pragma once

#include <QImage>

#include "AlphaColor.h"

namespace tracella {

// Room for one premultiplied ARGB32 picture of up to MaxDecodePixels, in memory that child
// processes forked after its making share with this one: a decoder that runs in a child leaves
// its picture here. Only the pages written take memory.
class SharedPicture {
 public:
  SharedPicture();  // throws std::bad_alloc when the memory cannot be mapped
  SharedPicture(const SharedPicture&) = delete;
  SharedPicture& operator=(const SharedPicture&) = delete;
  ~SharedPicture();

  // Sets the picture's size and gives its first pixel to write the picture into, rows packed;
  // nullptr when it cannot fit.
  TAlphaColor* StartWriting(int width, int height);

  // The picture as an image that takes over the memory; a null image when no size was set.
  // Nothing is left here afterwards.
  QImage TakeImage();

 private:
  struct Header {
    int width;
    int height;
  };
  Header* header_;
};

}  // namespace tracella

#pragma once

// libjpeg's headers include nothing themselves: jpeglib.h needs FILE and size_t, jerror.h needs
// jpeglib.h. The comment lines keep clang-format's include regrouping from reordering them.
#include <cstdio>
// then
#include <jpeglib.h>
// then
#include <jerror.h>

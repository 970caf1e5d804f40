#pragma once

#include <QImage>

// The pencil-on-paper motif of the emblem and the application icon, drawn at any square size.
// Below 48 px the faint background sketch is left out so the pencil and its line stay readable.
QImage DrawEmblem(int size);

#pragma once

#include <QByteArray>
#include <QString>

namespace tracella {

// File names are bytes on Linux, most of them UTF-8 but not all (Latin-1 names from old archives,
// a stray 0xFF). Qt decodes them lossily; these keep every byte. A byte that is not part of valid
// UTF-8 travels in the text as the lone surrogate U+DC80 + byte and turns back into itself on the
// way to the system, as Python's "surrogateescape" does.

QString LocalPathText(const QByteArray& bytes);
QByteArray LocalPathBytes(const QString& text);

// The text for people to read: each byte that is not UTF-8 shown as U+FFFD.
QString DisplayedPath(const QString& text);

}  // namespace tracella

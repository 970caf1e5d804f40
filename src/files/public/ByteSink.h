#pragma once

#include <QByteArray>
#include <cstddef>
#include <functional>

namespace tracella {

// Where a file's bytes go as they are made, a piece at a time; false when they could not be taken.
using ByteSink = std::function<bool(const char* bytes, std::size_t count)>;

// Makes a file's bytes into the sink it is given, so that no file need be held whole; throws when
// it cannot make them. A sink's refusal is reported by whoever gave the sink.
using FileWriter = std::function<void(const ByteSink& sink)>;

// The writer of bytes already made, valid while they live.
FileWriter WriterOf(const QByteArray& bytes);

// Runs `write` into the descriptor: 0, or the errno of the first write that failed (the writer's
// failure it causes is not thrown then). The writer's own failures are thrown.
int WriteInto(int fd, const FileWriter& write);

}  // namespace tracella

#pragma once

#include <QByteArray>

namespace tracella {

// What a JPEG file's markers say about its scans, read without decoding any of them: libjpeg
// sizes its memory from the frame header alone and learns only scan by scan what arrives.
struct JpegScanLayout {
  bool arithmetic = false;             // the frame is arithmetic-coded
  bool reachesEnd = false;             // the bytes go on past the last scan's data to the end marker
  int scans = 0;                       // the scans before the end marker
  bool everyComponentScanned = false;  // each component of the frame is in a scan
  bool scansComplete = false;          // the scans give every coefficient of every component to its last bit
};

JpegScanLayout ReadJpegScanLayout(const QByteArray& bytes);

}  // namespace tracella

#include "FileErrors.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <utility>

#include "LocalPath.h"

namespace tracella {
namespace {

// A name's bytes that are not UTF-8 come out as they are on disk.
std::string Utf8(const QString& text) { return LocalPathBytes(text).toStdString(); }

// The system's description of an errno value without trailing blanks, line breaks and full stops.
QString SystemErrorText(int errorNumber) {
  QString text = QString::fromLocal8Bit(std::strerror(errorNumber));
  while (!text.isEmpty() && (text.back().isSpace() || text.back() == u'.')) text.chop(1);
  return text;
}

QString AbsolutePath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

QString FileMessage(const char* what, const QString& path, int errorNumber) {
  return QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), AbsolutePath(path), SystemErrorText(errorNumber));
}

}  // namespace

EBitmapLoadingFailed::EBitmapLoadingFailed(const QString& path, TRefusal reason)
    : Exception(Utf8(QStringLiteral("Loading bitmap failed (%1).").arg(path))), reason_(std::move(reason)) {}

ENotAPicture::ENotAPicture(const QString& path)
    : Exception(Utf8(QStringLiteral("%1: not a picture file this program reads.").arg(path))) {}

EFOpenError::EFOpenError(const QString& path, int errorNumber)
    : Exception(Utf8(FileMessage("Cannot open file", path, errorNumber))) {}

EFCreateError::EFCreateError(const QString& path, int errorNumber)
    : Exception(Utf8(FileMessage("Cannot create file", path, errorNumber))) {}

EBitmapSavingFailed::EBitmapSavingFailed() : Exception("Saving bitmap failed.") {}

EFolderCreateError::EFolderCreateError(const QString& path, int errorNumber)
    : Exception(Utf8(FileMessage("Cannot create folder", path, errorNumber))) {}

EStreamError::EStreamError(const char* stream, int errorNumber)
    : Exception(Utf8(QStringLiteral("Cannot use %1. %2").arg(QLatin1String(stream), SystemErrorText(errorNumber)))) {}

}  // namespace tracella

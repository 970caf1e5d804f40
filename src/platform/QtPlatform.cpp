#include "QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace tracella {

namespace {

// Qt's own dialog: its name filters match extensions in any letter case, as users of photo files
// named IMG_0001.JPG expect; the desktop's native dialogs differ from one another there.
bool ExecuteFileDialog(FileDialog& dialog, QFileDialog::AcceptMode mode) {
  QFileDialog box(QApplication::activeWindow(), QString(), dialog.InitialDir);
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setOption(QFileDialog::DontConfirmOverwrite);
  box.setAcceptMode(mode);
  box.setFileMode(QFileDialog::AnyFile);  // a name need not exist: the handlers decide
  box.setNameFilter(QtNameFilter(dialog.Filter));
  if (!dialog.FileName.isEmpty()) box.selectFile(dialog.FileName);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  dialog.FileName = box.selectedFiles().constFirst();
  return true;
}

}  // namespace

QString QtNameFilter(const QString& filter) {
  const qsizetype bar = filter.indexOf(u'|');
  QString description = filter.left(bar).trimmed();
  description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
  const QStringList patterns = filter.mid(bar + 1).split(u';', Qt::SkipEmptyParts);
  QStringList cleaned;
  for (const QString& pattern : patterns) cleaned << pattern.trimmed();
  return description + QStringLiteral(" (") + cleaned.join(u' ') + u')';
}

bool QtPlatform::ExecuteOpenDialog(FileDialog& dialog) { return ExecuteFileDialog(dialog, QFileDialog::AcceptOpen); }

bool QtPlatform::ExecuteSaveDialog(FileDialog& dialog) { return ExecuteFileDialog(dialog, QFileDialog::AcceptSave); }

void QtPlatform::ShowError(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.exec();
}

void QtPlatform::ShowFailure(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtPlatform::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

QString QtPlatform::PicturesFolder() { return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation); }

QString QtPlatform::ExecutableFolder() { return QCoreApplication::applicationDirPath(); }

}  // namespace tracella

#pragma once

#include <QPointer>
#include <QWidget>

#include "Platform.h"

namespace tracella {

// The desktop services through Qt: its own file dialogs, message boxes and URL handling.
class QtPlatform final : public Platform {
 public:
  bool ExecuteOpenDialog(FileDialog& dialog) override;
  bool ExecuteSaveDialog(FileDialog& dialog) override;
  void ShowError(const QString& text, const QString& caption) override;
  void ShowFailure(const QString& text) override;
  void OpenUrl(const QString& url) override;
  QString PicturesFolder() override;
  QString ExecutableFolder() override;

 private:
  QWidget* ActiveWindow() const;
  QWidget* EnterModal();

  QPointer<QWidget> returnTo_;  // the window that was active when our last modal box opened
};

// "description|pattern;pattern" as a Qt name filter "description (pattern pattern)".
QString QtNameFilter(const QString& filter);

// Where a file dialog opens and what its name box holds. An offered name (FileName) is shown,
// without its folder, in its own folder, and only while it names an existing file; otherwise
// the dialog opens in InitialDir or, when that is no folder, in the nearest existing folder
// above it (the home folder for a name without a folder), with an empty name box.
struct FileDialogStart {
  QString folder;
  QString name;
};
FileDialogStart StartOf(const FileDialog& dialog);

}  // namespace tracella

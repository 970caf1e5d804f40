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

// Where a file dialog opens and what its name box holds. An offered name (FileName), the user's
// own earlier choice, is shown without its folder in its own folder while that folder exists,
// whether or not the file does. Otherwise the name box is empty and the dialog opens in
// InitialDir or, when that is no folder, in the nearest existing folder above it; a name without
// a folder sends it back to the folder of the last choice (LastFolder), else home.
struct FileDialogStart {
  QString folder;
  QString name;
};
FileDialogStart StartOf(const FileDialog& dialog);

}  // namespace tracella

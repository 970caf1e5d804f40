#pragma once

#include <QString>

namespace tracella {

// A common file dialog's settings, kept between runs like the window's dialog components.
struct FileDialog {
  QString Filter;  // "description|pattern;pattern", one entry
  QString InitialDir;
  QString FileName;    // in: offered name; out: the full path chosen
  QString LastFolder;  // out: the chosen name's folder, where the dialog goes back to when
                       // InitialDir names no folder at all
};

// The services of the desktop that handlers use: the real one is Qt's, tests script a fake.
class Platform {
 public:
  virtual ~Platform() = default;

  // Modal dialogs; true when the user confirmed a name (then dialog.FileName holds it).
  virtual bool ExecuteOpenDialog(FileDialog& dialog) = 0;
  virtual bool ExecuteSaveDialog(FileDialog& dialog) = 0;

  // The program's own message: caption, error icon, one OK button, no owner window.
  virtual void ShowError(const QString& text, const QString& caption) = 0;

  // The failure report: empty title, no icon, one OK button, owned by the active window.
  virtual void ShowFailure(const QString& text) = 0;

  // Hands a web address to the desktop; the result is ignored.
  virtual void OpenUrl(const QString& url) = 0;

  virtual QString PicturesFolder() = 0;
  virtual QString ExecutableFolder() = 0;  // with no trailing separator
};

}  // namespace tracella

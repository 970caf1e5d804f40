#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "Platform.h"

namespace tracella {

// A scripted desktop: dialogs answer from a queue (nullopt = cancel), everything shown is recorded.
class FakePlatform final : public Platform {
 public:
  struct Message {
    QString text, caption;
    bool operator==(const Message&) const = default;
  };

  std::deque<std::optional<QString>> openAnswers, saveAnswers;
  std::vector<FileDialog> openDialogs, saveDialogs;  // the dialogs as they were shown
  std::vector<Message> errors;
  QStringList failures, urls;
  QString picturesFolder = QStringLiteral("/home/user/Pictures");
  QString executableFolder = QStringLiteral("/opt/tracella");

  bool ExecuteOpenDialog(FileDialog& dialog) override { return Answer(dialog, openAnswers, openDialogs); }
  bool ExecuteSaveDialog(FileDialog& dialog) override { return Answer(dialog, saveAnswers, saveDialogs); }
  void ShowError(const QString& text, const QString& caption) override { errors.push_back({text, caption}); }
  void ShowFailure(const QString& text) override { failures << text; }
  void OpenUrl(const QString& url) override { urls << url; }
  QString PicturesFolder() override { return picturesFolder; }
  QString ExecutableFolder() override { return executableFolder; }

 private:
  static bool Answer(FileDialog& dialog, std::deque<std::optional<QString>>& answers, std::vector<FileDialog>& shown) {
    shown.push_back(dialog);
    if (answers.empty()) return false;
    const std::optional<QString> answer = answers.front();
    answers.pop_front();
    if (!answer) return false;
    dialog.FileName = *answer;
    return true;
  }
};

}  // namespace tracella

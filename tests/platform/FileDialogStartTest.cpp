#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "QtPlatform.h"

namespace tracella {
namespace {

// Where the file dialogs open and what their name box holds, for the folders and names the
// commands hand them: existing, gone, files, bare names, with and without an earlier choice.
TEST(FileDialogStartTest, OpensInTheNearestExistingFolderOrTheLastChoicesAndOffersTheChosenName) {
  QTemporaryDir temporary;
  ASSERT_TRUE(temporary.isValid());
  const QString top = temporary.path();
  ASSERT_TRUE(QDir(top).mkdir(QStringLiteral("photos")));
  const QString photos = top + QStringLiteral("/photos");
  const QString cat = photos + QStringLiteral("/cat.png");
  ASSERT_TRUE(QFile(cat).open(QIODevice::WriteOnly));
  const QString home = QDir::homePath();

  struct Case {
    const char* what;
    QString initialDir, fileName, lastFolder, folder, name;
  };
  const QString gone = top + QStringLiteral("/gone");
  const Case cases[] = {
      {"existing folder", photos, "", "", photos, ""},
      {"folder with its separator", photos + u'/', "", "", photos, ""},
      {"missing folder", top + QStringLiteral("/Images"), "", "", top, ""},
      {"missing folders several deep", top + QStringLiteral("/gone/deeper/still"), "", "", top, ""},
      {"a file, not a folder", cat, "", "", photos, ""},
      {"missing folder, though the last choice was elsewhere", top + QStringLiteral("/Images"), "", photos, top, ""},
      {"bare name after a refusal, first use", QStringLiteral("refused.jpg"), "", "", home, ""},
      {"bare name after a refusal: back in its folder", QStringLiteral("refused.jpg"), "", photos, photos, ""},
      {"bare name, the last folder since gone", QStringLiteral("refused.jpg"), "", gone, home, ""},
      {"nothing", "", "", "", home, ""},
      {"nothing, after a choice", "", "", photos, photos, ""},
      {"offered file, in its own folder", top + QStringLiteral("/Images"), cat, "", photos, QStringLiteral("cat.png")},
      {"offered file that does not exist", top, photos + QStringLiteral("/typed.png"), "", photos,
       QStringLiteral("typed.png")},
      {"offered file in a folder that is gone", photos, top + QStringLiteral("/gone/x.png"), "", photos, ""},
      {"offered folder", top, photos, "", top, ""},
      {"offered folder with its separator", top, photos + u'/', "", top, ""},
      {"offered name without a folder", top, QStringLiteral("cat.png"), "", top, ""},
  };
  for (const Case& c : cases) {
    const FileDialogStart start = StartOf(FileDialog{QString(), c.initialDir, c.fileName, c.lastFolder});
    EXPECT_EQ(start.folder, c.folder) << c.what;
    EXPECT_EQ(start.name, c.name) << c.what;
  }
}

}  // namespace
}  // namespace tracella

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "QtPlatform.h"

namespace tracella {
namespace {

// Where the file dialogs open and what their name box holds, for the folders and names the
// commands hand them: existing, gone, files, bare names.
TEST(FileDialogStartTest, OpensInTheNearestExistingFolderAndOffersOnlyAnExistingFile) {
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
    QString initialDir, fileName, folder, name;
  };
  const Case cases[] = {
      {"existing folder", photos, "", photos, ""},
      {"folder with its separator", photos + u'/', "", photos, ""},
      {"missing folder", top + QStringLiteral("/Images"), "", top, ""},
      {"missing folders several deep", top + QStringLiteral("/gone/deeper/still"), "", top, ""},
      {"a file, not a folder", cat, "", photos, ""},
      {"bare name after a refusal", QStringLiteral("refused.jpg"), "", home, ""},
      {"nothing", "", "", home, ""},
      {"offered file, in its own folder", top + QStringLiteral("/Images"), cat, photos, QStringLiteral("cat.png")},
      {"offered file that is gone", photos, photos + QStringLiteral("/gone.png"), photos, ""},
      {"offered file in a folder that is gone", photos, top + QStringLiteral("/gone/x.png"), photos, ""},
      {"offered folder", top, photos, top, ""},
      {"offered name without a folder", top, QStringLiteral("cat.png"), top, ""},
  };
  for (const Case& c : cases) {
    const FileDialogStart start = StartOf(FileDialog{QString(), c.initialDir, c.fileName});
    EXPECT_EQ(start.folder, c.folder) << c.what;
    EXPECT_EQ(start.name, c.name) << c.what;
  }
}

}  // namespace
}  // namespace tracella

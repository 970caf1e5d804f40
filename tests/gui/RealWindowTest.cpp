// The program in a real window on an X display with a window manager (run by with-display.sh).
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

#include "Application.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "QtPlatform.h"
#include "TImage.h"
#include "TScrollBar.h"

namespace tracella {
namespace {

class RealWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform = new QtPlatform;
    application = new TApplication(*platform);
    application->Initialize();
    ASSERT_TRUE(application->Start());
    form = application->Form1();
    ASSERT_TRUE(form->Shown());
    // The window manager maximises the window once it is mapped.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    ASSERT_TRUE(QTest::qWaitFor([] { return form->isMaximized() && form->width() > 1000; }, 10000));
    QTest::qWait(500);
  }
  static void TearDownTestSuite() {
    delete application;
    delete platform;
  }

  // The folder a file dialog shows and the text of its name box.
  struct DialogState {
    QString folder, name;
  };
  static DialogState StateOf(const QFileDialog* dialog) {
    const QLineEdit* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return {dialog->directory().absolutePath(), nameBox->text()};
  }

  // Answers the next file dialog, once it is shown, by putting a name into its name box and
  // pressing Return once the dialog takes it. Typed key by key, the name would race the
  // completer's popup and the dialog's background check of the folder for that Return.
  static void AnswerNextDialog(const QString& name, QStringList* listed = nullptr, DialogState* seen = nullptr) {
    OnNextModal<QFileDialog>([name, listed, seen](QFileDialog* dialog) {
      if (seen) *seen = StateOf(dialog);
      if (listed) {
        const QAbstractItemModel* model = dialog->findChild<QListView*>(QStringLiteral("listView"))->model();
        const QModelIndex root = dialog->findChild<QListView*>(QStringLiteral("listView"))->rootIndex();
        // The folder is read in the background; a folder this small arrives in one batch.
        ASSERT_TRUE(QTest::qWaitFor([model, root] { return model->rowCount(root) > 0; }));
        for (int row = 0; row < model->rowCount(root); ++row) *listed << model->index(row, 0, root).data().toString();
      }
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(edit, nullptr);
      const QAbstractButton* confirm = dialog->findChild<QDialogButtonBox*>()->button(
          dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open : QDialogButtonBox::Save);
      ASSERT_NE(confirm, nullptr);
      // The dialog may still clear its name box as it settles: the name is put back until taken.
      ASSERT_TRUE(QTest::qWaitFor([edit, confirm, name] {
        if (edit->text() != name) edit->setText(name);
        return confirm->isEnabled();
      }));
      QTest::keyClick(edit, Qt::Key_Return);
    });
  }

  // Runs `act` on the next modal window of type T once the window system shows it.
  template <class T>
  static void OnNextModal(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
      auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
      // A window already answered may still be the active modal one while it closes.
      if (!modal || modal->property("answered").toBool() || !QTest::qWaitForWindowExposed(modal)) return;
      modal->setProperty("answered", true);
      poll->deleteLater();
      poll->stop();
      act(modal);
    });
    poll->start(50);
  }

  // Notes what the next file dialog shows, then cancels it.
  static void CancelNextDialog(DialogState& seen) {
    OnNextModal<QFileDialog>([&seen](QFileDialog* dialog) {
      QTest::qWait(200);
      seen = StateOf(dialog);
      dialog->reject();
    });
  }

  static inline QtPlatform* platform = nullptr;
  static inline TApplication* application = nullptr;
  static inline TForm1* form = nullptr;
};

TEST_F(RealWindowTest, ComesUpMaximisedWithItsCaptionAndTheSketchOnScreen) {
  EXPECT_TRUE(form->isMaximized());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Tracella"));
  const QRect screen = form->screen()->availableGeometry();
  EXPECT_GE(form->frameGeometry().width(), screen.width() - 2);

  // What the screen shows inside the view, below the strip, must be the whole drawing's pixels.
  const QImage shot = form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  const TImage* image = form->Image1;
  const QRect view(0, 68, form->ViewportWidth, form->ViewportHeight);
  const QRect visible = view & image->geometry();
  ASSERT_FALSE(visible.isEmpty());
  TBitmap sketch;
  form->Pipeline.SketchImage.Draw(sketch);
  int compared = 0;
  for (int y = visible.top(); y <= visible.bottom(); ++y)
    for (int x = visible.left(); x <= visible.right(); ++x) {
      const TAlphaColor expected = sketch.ScanLine(y - image->y())[x - image->x()];
      ASSERT_EQ(shot.pixel(x, y) | 0xFF000000u, expected) << x << "," << y;
      ++compared;
    }
  EXPECT_GT(compared, 10000);
}

// The window manager maximises a window only once it is mapped, after show() has returned; the
// show handler still renders and places with the maximised layout, once.
TEST_F(RealWindowTest, ShowHandlerRunsOnceWithTheMaximisedLayout) {
  FakePlatform fake;
  TForm1 second(fake);
  std::vector<std::pair<int, int>> rendered;
  second.Pipeline.OnRendered = [&](float) { rendered.emplace_back(second.ViewportWidth, second.ViewportHeight); };
  second.showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rendered.empty(); }));
  EXPECT_EQ(second.frameGeometry(), form->frameGeometry());
  ASSERT_EQ(rendered.size(), 1u);
  EXPECT_EQ(rendered[0], std::make_pair(second.OuterWidth() - 34, second.OuterHeight() - 125));
  EXPECT_EQ(rendered[0], std::make_pair(form->ViewportWidth, form->ViewportHeight));
}

TEST_F(RealWindowTest, OpensAPictureThroughTheDialogListingEveryCaseAndSavesTheSketch) {
  QTemporaryDir folder;
  QImage picture(900, 600, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  for (int y = 100; y < 500; ++y)
    for (int x = 200; x < 700; ++x) picture.setPixel(x, y, 0xFFE0F0E0u);
  ASSERT_TRUE(picture.save(folder.filePath("UPPER.PNG"), "PNG"));
  ASSERT_TRUE(picture.save(folder.filePath("lower.jpg"), "JPG"));
  ASSERT_TRUE(picture.save(folder.filePath("notes.txt"), "PNG"));

  QStringList listed;
  AnswerNextDialog(folder.filePath("UPPER.PNG"), &listed);
  form->OpenDialog1.FileName.clear();
  form->LastOpenedPath = folder.filePath("x");  // start the dialog in the folder
  form->MenuItem21->trigger();
  listed.sort();
  EXPECT_EQ(listed, (QStringList{"UPPER.PNG", "lower.jpg"}));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Tracella - ") + folder.filePath("UPPER.PNG"));
  EXPECT_EQ(form->Pipeline.SourceImage.Width(), 900);

  AnswerNextDialog(folder.filePath("sketch"));
  form->MenuItem22->trigger();
  QImageReader saved(folder.filePath("sketch.jpg"));
  EXPECT_EQ(saved.format(), "jpeg");
  EXPECT_EQ(saved.size(), QSize(900, 600));
}

// Input as the X server delivers it, through xdotool.
void Xdotool(const QStringList& arguments) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0); }

// A tilted wheel (buttons 6 and 7) over the picture scrolls nothing; the plain wheel turn sent
// after it shows that both arrived, and that only it moved the picture.
TEST_F(RealWindowTest, SidewaysWheelOverThePictureNeverScrolls) {
  // Only the picture's size counts for the scroll range.
  const auto useSize = [](int width, int height) {
    TBitmap picture(width, height);
    picture.Clear(claWhite);
    form->Pipeline.SourceImage.Take(std::move(picture));
    form->FormResize();
  };
  const int shownWidth = form->Pipeline.SourceImage.Width(), shownHeight = form->Pipeline.SourceImage.Height();
  useSize(900, 3000);
  ASSERT_GT(form->ScrollBar1->Max(), 100);
  ASSERT_EQ(form->ScrollBar1->Value(), 0.0);
  const QPoint over = form->mapToGlobal(QPoint(form->ViewportWidth / 2, 300));
  ASSERT_EQ(form->childAt(form->mapFromGlobal(over)), form->Image1);
  Xdotool({"mousemove", QString::number(over.x()), QString::number(over.y())});
  Xdotool({"click", "7", "click", "7", "click", "6", "click", "7"});
  Xdotool({"click", "5"});
  EXPECT_TRUE(QTest::qWaitFor([] { return form->ScrollBar1->Value() != 0.0; }));
  EXPECT_EQ(form->ScrollBar1->Value(), 20.0);
  EXPECT_EQ(form->Image1->Y(), 68 - 20);
  useSize(shownWidth, shownHeight);
}

// The text of one of a native window's properties, as the window manager reads it.
QByteArray WindowProperty(WId window, const char* name) {
  xcb_connection_t* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const auto length = static_cast<uint16_t>(qstrlen(name));
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr);
  const auto id = static_cast<xcb_window_t>(window);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, id, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
  QByteArray value(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
  if (reply->type == XCB_ATOM_NONE) value = "<unset>";
  std::free(reply);
  std::free(atom);
  return value;
}

// How far a window's frame centre lies from another's, in each direction, by the frames the
// window system reports now.
QPointF CentreOffset(const QWidget* window, const QWidget* from) {
  return QRectF(window->windowHandle()->frameGeometry()).center() -
         QRectF(from->windowHandle()->frameGeometry()).center();
}

bool CentredOn(const QWidget* window, const QWidget* on) {
  const QPointF offset = CentreOffset(window, on);
  return std::abs(offset.x()) <= 0.5 && std::abs(offset.y()) <= 0.5;
}

// A file that cannot be opened, chosen just after the dialog closed: the report is untitled for
// the window manager too, has no icon anywhere, belongs to the main window and is centred on it,
// frame on frame, with the main window maximised and at its design size.
TEST_F(RealWindowTest, FailureReportIsUntitledWithoutIconsAndOwnedByTheMainWindow) {
  QTemporaryDir folder;
  const QString missing = folder.filePath(QStringLiteral("missing.png"));
  QString text, title;
  QByteArray netTitle, plainTitle, transientFor;
  const QWidget* owner = nullptr;
  bool iconless = false, centred = false;
  QPointF offset;
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    title = box->windowTitle();
    netTitle = WindowProperty(box->windowHandle()->winId(), "_NET_WM_NAME");
    plainTitle = WindowProperty(box->windowHandle()->winId(), "WM_NAME");
    transientFor = WindowProperty(box->windowHandle()->winId(), "WM_TRANSIENT_FOR");
    owner = box->parentWidget();
    iconless = box->icon() == QMessageBox::NoIcon && box->buttons().size() == 1 && box->buttons()[0]->icon().isNull();
    centred = QTest::qWaitFor([box] { return CentredOn(box, form); });
    offset = CentreOffset(box, form);
    QTest::keyClick(box, Qt::Key_Return);
  });
  AnswerNextDialog(missing);
  form->MenuItem21->trigger();

  EXPECT_EQ(text.toStdString(), "Cannot open file \"" + missing.toStdString() + "\". No such file or directory.");
  EXPECT_TRUE(title.isEmpty());
  EXPECT_EQ(netTitle, QByteArray());
  EXPECT_EQ(plainTitle, QByteArray());
  EXPECT_EQ(owner, form);
  const auto formWindow = static_cast<xcb_window_t>(form->winId());
  EXPECT_EQ(transientFor, QByteArray(reinterpret_cast<const char*>(&formWindow), sizeof formWindow));
  EXPECT_TRUE(iconless);
  EXPECT_TRUE(centred) << "off by " << offset.x() << ", " << offset.y();

  form->showNormal();
  ASSERT_TRUE(QTest::qWaitFor([] { return form->size() == QSize(818, 600) && form->isVisible(); }));
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    centred = QTest::qWaitFor([box] { return CentredOn(box, form); });
    offset = CentreOffset(box, form);
    QTest::keyClick(box, Qt::Key_Return);
  });
  AnswerNextDialog(missing);
  form->MenuItem21->trigger();
  EXPECT_TRUE(centred) << "off by " << offset.x() << ", " << offset.y() << " at the design size";
  form->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([] { return form->width() > 1000; }));
}

// The dialogs open in a folder that exists and their name box holds only what the user chose.
TEST_F(RealWindowTest, DialogsOpenInAnExistingFolderWithNothingInTheNameBoxThatTheUserDidNotChoose) {
  // First Open, with no Images folder beside the program.
  form->LastOpenedPath.clear();
  form->OpenDialog1.FileName.clear();
  ASSERT_FALSE(QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/Images")));
  DialogState seen;
  CancelNextDialog(seen);
  form->MenuItem21->trigger();
  EXPECT_EQ(seen.folder, QCoreApplication::applicationDirPath());
  EXPECT_EQ(seen.name, QString());

  // After a picture was opened: its name alone, in its folder; once its folder is gone, nothing
  // in the name box and the nearest folder above.
  auto folder = std::make_unique<QTemporaryDir>();
  const QString picture = folder->filePath(QStringLiteral("cat.png"));
  QImage(900, 300, QImage::Format_RGB32).save(picture, "PNG");
  AnswerNextDialog(picture);
  form->MenuItem21->trigger();
  ASSERT_EQ(form->LastOpenedPath, picture);
  CancelNextDialog(seen);
  form->MenuItem21->trigger();
  EXPECT_EQ(seen.folder, folder->path());
  EXPECT_EQ(seen.name, QStringLiteral("cat.png"));
  // A typed path that does not exist fails to open; the next Open offers it again.
  const QString typed = folder->filePath(QStringLiteral("typo.png"));
  OnNextModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  AnswerNextDialog(typed);
  form->MenuItem21->trigger();
  ASSERT_EQ(form->LastOpenedPath, picture);
  CancelNextDialog(seen);
  form->MenuItem21->trigger();
  EXPECT_EQ(seen.folder, folder->path());
  EXPECT_EQ(seen.name, QStringLiteral("typo.png"));
  const QString above = QFileInfo(folder->path()).path();
  folder.reset();
  CancelNextDialog(seen);
  form->MenuItem21->trigger();
  EXPECT_EQ(seen.folder, above);
  EXPECT_EQ(seen.name, QString());

  // Save As: the dialog that opens again after "File name exists!" is in the refused name's
  // folder with an empty name box, so a bare new name lands beside the refused one.
  QTemporaryDir saves;
  const QString taken = saves.filePath(QStringLiteral("taken.jpg"));
  QFile(taken).open(QIODevice::WriteOnly);
  OnNextModal<QMessageBox>([&seen](QMessageBox* box) {
    AnswerNextDialog(QStringLiteral("fresh"), nullptr, &seen);
    QTest::keyClick(box, Qt::Key_Return);
  });
  AnswerNextDialog(taken);
  form->MenuItem22->trigger();
  EXPECT_EQ(seen.folder, saves.path());
  EXPECT_EQ(seen.name, QString());
  EXPECT_EQ(QImageReader(saves.filePath(QStringLiteral("fresh.jpg"))).format(), "jpeg");
  EXPECT_EQ(form->RememberedSaveName, QString());
}

}  // namespace
}  // namespace tracella

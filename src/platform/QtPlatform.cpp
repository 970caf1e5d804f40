#include "QtPlatform.h"

#include <xcb/xcb.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <memory>

namespace tracella {

namespace {

struct DeleteLater {
  void operator()(QObject* object) const { object->deleteLater(); }
};

// Qt's own dialog: its name filters match extensions in any letter case, as users of photo files
// named IMG_0001.JPG expect; the desktop's native dialogs differ from one another there.
// It is always handed an existing folder: given anything else, it would put the last part of
// the path into the name box. A closed dialog is destroyed once the event loop is back:
// destroying it saves its history to a file and stops its folder watcher, which the user would
// otherwise wait for before seeing the picture.
bool ExecuteFileDialog(FileDialog& dialog, QFileDialog::AcceptMode mode, QWidget* owner) {
  const FileDialogStart start = StartOf(dialog);
  const std::unique_ptr<QFileDialog, DeleteLater> box(new QFileDialog(owner, QString(), start.folder));
  box->setOption(QFileDialog::DontUseNativeDialog);
  box->setOption(QFileDialog::DontConfirmOverwrite);
  box->setAcceptMode(mode);
  box->setFileMode(QFileDialog::AnyFile);  // a name need not exist: the handlers decide
  box->setNameFilter(QtNameFilter(dialog.Filter));
  if (!start.name.isEmpty()) box->selectFile(start.name);
  if (box->exec() != QDialog::Accepted || box->selectedFiles().isEmpty()) return false;
  dialog.FileName = box->selectedFiles().constFirst();
  dialog.LastFolder = QFileInfo(dialog.FileName).absolutePath();
  return true;
}

QString NearestFolder(const QString& path) {
  if (!QDir::isAbsolutePath(path)) return QDir::homePath();
  QString folder = QDir::cleanPath(path);
  while (!QFileInfo(folder).isDir()) folder = QFileInfo(folder).path();  // "/" always is one
  return folder;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// Qt writes the title it was given to WM_NAME, but an empty one as the application's name to
// _NET_WM_NAME, which window managers prefer.
void ClearTitleOnX11(const QWindow* window) {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  // The offscreen platform answers for X11 too, without a connection.
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection || !window) return;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                      Atom(connection, "_NET_WM_NAME"), Atom(connection, "UTF8_STRING"), 8, 0, nullptr);
  xcb_flush(connection);
}

// The frame a window manager put around a shown window, as the window system reports it now: the
// widget's own copy is brought up to date only when the window moves or changes size, which a
// window placed before it was framed may never do.
QMargins FrameOf(const QWidget* window) { return window->windowHandle()->frameMargins(); }

// The failure report's box, untitled on X11 too: its title is cleared once Qt has made the native
// window, before it is mapped. (Asking the widget for its window id instead would turn every
// child of the owner into a native window.)
// It is centred on its owner, frame on frame. Qt's own placement guesses the box's frame from
// other windows; here the box's frame is taken to be like its owner's until it is mapped, and
// the box is placed again once the window manager has framed it.
class UntitledMessageBox final : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    ClearTitleOnX11(windowHandle());
    if (!parentWidget()) return;
    CentreOnOwner(FrameOf(parentWidget()->window()));
    windowHandle()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
      windowHandle()->removeEventFilter(this);
      CentreOnOwner(FrameOf(this));
    }
    return QMessageBox::eventFilter(watched, event);
  }

 private:
  void CentreOnOwner(const QMargins& frame) {
    const QRect owner = parentWidget()->window()->windowHandle()->frameGeometry();
    const QSize outer = size().grownBy(frame);
    const QPoint frameCorner(owner.left() + (owner.width() - outer.width()) / 2,
                             owner.top() + (owner.height() - outer.height()) / 2);
    const QRect placed(frameCorner + QPoint(frame.left(), frame.top()), size());
    if (placed != geometry()) setGeometry(placed);
  }
};

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

FileDialogStart StartOf(const FileDialog& dialog) {
  const QFileInfo offered(dialog.FileName);
  if (QDir::isAbsolutePath(dialog.FileName) && !offered.fileName().isEmpty() && !offered.isDir() &&
      offered.dir().exists())
    return {offered.absolutePath(), offered.fileName()};
  if (!QDir::isAbsolutePath(dialog.InitialDir) && QDir::isAbsolutePath(dialog.LastFolder) &&
      QFileInfo(dialog.LastFolder).isDir())
    return {QDir::cleanPath(dialog.LastFolder), QString()};
  return {NearestFolder(dialog.InitialDir), QString()};
}

// The window the user works in. When a modal box of ours closes, X11 hands the activation back
// to the window below it only later; until then that window still counts as the active one.
QWidget* QtPlatform::ActiveWindow() const {
  QWidget* active = QApplication::activeWindow();
  if (active && active->isVisible()) return active;
  return returnTo_ && returnTo_->isVisible() ? returnTo_.data() : nullptr;
}

QWidget* QtPlatform::EnterModal() {
  returnTo_ = ActiveWindow();
  return returnTo_;
}

bool QtPlatform::ExecuteOpenDialog(FileDialog& dialog) {
  return ExecuteFileDialog(dialog, QFileDialog::AcceptOpen, EnterModal());
}

bool QtPlatform::ExecuteSaveDialog(FileDialog& dialog) {
  return ExecuteFileDialog(dialog, QFileDialog::AcceptSave, EnterModal());
}

void QtPlatform::ShowError(const QString& text, const QString& caption) {
  EnterModal();
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.exec();
}

void QtPlatform::ShowFailure(const QString& text) {
  UntitledMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, EnterModal());
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

void QtPlatform::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

QString QtPlatform::PicturesFolder() { return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation); }

QString QtPlatform::ExecutableFolder() { return QCoreApplication::applicationDirPath(); }

}  // namespace tracella

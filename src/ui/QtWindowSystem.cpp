#include "ui/QtWindowSystem.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QWebEngineProfile>

#include "app/AppState.h"
#include "app/GbkText.h"
#include "platform/ShutdownSignals.h"
#include "ui/BrowserProfile.h"
#include "ui/CMainFrame.h"
#include "ui/CUpdatingDia.h"
#include "ui/FirstFramePictures.h"
#include "ui/GbkBoundary.h"
#include "ui/ProgramPictures.h"
#include "ui/SessionRestore.h"
#include "ui/WindowPlacement.h"

struct QtWindowSystem::Question {
  QString text, caption;
  bool done = false;
  bool ok = false;
  QPointer<QMessageBox> box;
};

namespace {

QMessageBox* NewOkCancelBox(const QString& text, const QString& caption) {
  auto* box = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
  box->setAttribute(Qt::WA_DeleteOnClose);
  return box;
}

WorkArea PrimaryWorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  return WorkArea{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

std::unique_ptr<FirstFramePictures> StartFirstFramePictures() {
  // The captions the address bar shows in its first frame; their Chinese characters
  // need a fallback font that takes the longest to find.
  const QStringList captions{gbk_boundary::FromGbk(gbk::kPortalNavigation), gbk_boundary::FromGbk(gbk::kOtherFunctions)};
  const QScreen* screen = QGuiApplication::primaryScreen();
  return std::make_unique<FirstFramePictures>(ProgramPictures::kButtonIconPixels,
                                              screen ? screen->devicePixelRatio() : 1.0, captions,
                                              QApplication::font("QPushButton"));
}

}  // namespace

QtWindowSystem::QtWindowSystem(AppState* state) : state_(state) {}

AppState& QtWindowSystem::state() const { return state_ ? *state_ : TheAppState::Instance(); }

QtWindowSystem::~QtWindowSystem() {
  BeginShutdown();
  delete frame_.data();
  profile_.reset();
  if (signalFd_ >= 0) close(signalFd_);
}

bool QtWindowSystem::CreateMainWindow() {
  // The loop ends when the main window closes, not when the last window does: an open
  // question must neither keep the program alive nor end it.
  QApplication::setQuitOnLastWindowClosed(false);
  // Started before the profile, whose creation starts the engine: the main thread mostly
  // waits for the engine's processes then, and the worker draws meanwhile.
  firstFrame_ = StartFirstFramePictures();
  profile_ = std::make_unique<BrowserProfile>(state());
  frame_ = new CMainFrame(state(), profile_->profile());
  connect(frame_, &CMainFrame::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  frame_->setGeometry(RestoredFrameGeometry(PrimaryWorkArea()));
  frame_->openNewPageWindow();  // the first, empty page window
  frame_->requestFirstPageEarly();
  frame_->showMaximized();
  frame_->resetMainTitle();
  session_ = new SessionRestore(frame_, BrowserProfile::DataDirectory() + QStringLiteral("/open-pages"));
  watchShutdownSignals();
  return true;
}

void QtWindowSystem::watchShutdownSignals() {
  signalFd_ = platform::ShutdownSignalFd();
  if (signalFd_ < 0) return;
  signalNotifier_ = new QSocketNotifier(signalFd_, QSocketNotifier::Read, this);
  connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
    signalfd_siginfo info;
    while (read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    // A shutdown signal closes the program the way the close box does.
    if (frame_) frame_->close();
  });
}

int QtWindowSystem::RunMessageLoop() {
  if (!frame_) return 1;
  const int result = QApplication::exec();
  if (session_) session_->endCleanly();
  BeginShutdown();
  // Page views go before their profile, and the profile before the application object.
  delete frame_.data();
  profile_.reset();
  return result;
}

void QtWindowSystem::Post(MainWindowNotice notice) {
  QMetaObject::invokeMethod(
      this,
      [this, notice] {
        if (!frame_) return;
        if (notice == MainWindowNotice::kSystemMessagesChanged)
          frame_->onSystemMessagesChanged();
        else
          frame_->close();
      },
      Qt::QueuedConnection);
}

bool QtWindowSystem::AskOkCancel(const std::string& text, const std::string& caption) {
  auto question = std::make_shared<Question>();
  question->text = gbk_boundary::FromGbk(text);
  question->caption = gbk_boundary::FromGbk(caption);
  if (QThread::currentThread() == thread()) {
    if (shuttingDown_) return false;
    QMessageBox box(QMessageBox::Information, question->caption, question->text,
                    QMessageBox::Ok | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
  }
  std::unique_lock<std::mutex> hold(lock_);
  if (shuttingDown_) return false;
  QMetaObject::invokeMethod(this, [this, question] { showQuestion(question); }, Qt::QueuedConnection);
  answered_.wait(hold, [&] { return question->done || shuttingDown_; });
  return question->done && question->ok;
}

void QtWindowSystem::showQuestion(const std::shared_ptr<Question>& question) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (question->done || shuttingDown_) return;
  }
  QMessageBox* box = NewOkCancelBox(question->text, question->caption);
  question->box = box;
  connect(box, &QMessageBox::finished, this, [this, question](int result) {
    std::lock_guard<std::mutex> hold(lock_);
    question->done = true;
    question->ok = result == QMessageBox::Ok;
    answered_.notify_all();
  });
  box->open();
}

void QtWindowSystem::BeginShutdown() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    shuttingDown_ = true;
    answered_.notify_all();
  }
  // Questions still on screen go with the main window.
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(widget)) box->done(QMessageBox::Cancel);
}

void QtWindowSystem::ShowMessage(const std::string& text, const std::string& caption) {
  const QString body = gbk_boundary::FromGbk(text), title = gbk_boundary::FromGbk(caption);
  if (QThread::currentThread() == thread()) {
    QMessageBox box(QMessageBox::Information, title, body, QMessageBox::Ok | QMessageBox::Cancel);
    box.exec();
    return;
  }
  QMetaObject::invokeMethod(this, [body, title] { NewOkCancelBox(body, title)->open(); }, Qt::QueuedConnection);
}

void QtWindowSystem::ShowInstallingWindow() {
  if (!installing_) installing_ = new CUpdatingDia;
  installing_->show();
  // Install mode runs before any message loop: let the window paint now.
  QCoreApplication::processEvents();
}

void QtWindowSystem::HideInstallingWindow() { delete installing_.data(); }

void QtWindowSystem::OpenAddresses(const std::vector<std::string>& addresses) {
  QMetaObject::invokeMethod(
      this, [this, addresses] { if (frame_) frame_->openExternalAddresses(addresses); }, Qt::QueuedConnection);
}

void QtWindowSystem::TellUnwritableStateDirectory(const std::string& directory) {
  const QString name = QFile::decodeName(directory.c_str());
  QMetaObject::invokeMethod(
      this, [this, name] { if (frame_) frame_->tellUnwritableStateDirectory(name); }, Qt::QueuedConnection);
}

void QtWindowSystem::TellStateFileUnreadable(const std::string& path) {
  const QString name = QFile::decodeName(path.c_str());
  QMetaObject::invokeMethod(
      this, [this, name] { if (frame_) frame_->tellStateFileUnreadable(name); }, Qt::QueuedConnection);
}

void QtWindowSystem::TellHandoffUnavailable(const std::string& reason) {
  const QString text = QString::fromLocal8Bit(reason.c_str());
  QMetaObject::invokeMethod(
      this, [this, text] { if (frame_) frame_->tellHandoffUnavailable(text); }, Qt::QueuedConnection);
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>

#include "app/GbkText.h"
#include "ui/CUpdatingDia.h"
#include "ui/GbkBoundary.h"
#include "ui/QtWindowSystem.h"

namespace {

QMessageBox* OpenQuestion() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  return nullptr;
}

// Asks from a worker thread, the way the update check does, while the GUI thread runs.
class Asker {
 public:
  explicit Asker(QtWindowSystem& windows)
      : thread_([this, &windows] {
          answer_ = windows.AskOkCancel(gbk::kUpdateQuestion, gbk::kProductName);
          finished_ = true;
        }) {}
  ~Asker() { thread_.join(); }
  bool WaitFinished() { return QTest::qWaitFor([&] { return finished_.load(); }, 10000); }
  bool answer() const { return answer_; }

 private:
  std::atomic<bool> finished_{false};
  std::atomic<bool> answer_{false};
  std::thread thread_;
};

TEST(QtWindowSystemTest, AQuestionFromAnotherThreadIsAnsweredOnTheWindowThread) {
  QtWindowSystem windows;
  for (auto [button, expected] : {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
    Asker asker(windows);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenQuestion() != nullptr; }, 10000));
    QMessageBox* box = OpenQuestion();
    EXPECT_EQ(box->windowTitle(), gbk_boundary::FromGbk(gbk::kProductName));
    EXPECT_EQ(box->text(), gbk_boundary::FromGbk(gbk::kUpdateQuestion));
    box->button(button)->click();
    ASSERT_TRUE(asker.WaitFinished());
    EXPECT_EQ(asker.answer(), expected);
  }
}

TEST(QtWindowSystemTest, AQuestionOpenAtShutdownIsAnsweredCancelAndLaterOnesAtOnce) {
  QtWindowSystem windows;
  {
    Asker asker(windows);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenQuestion() != nullptr; }, 10000));
    windows.BeginShutdown();
    ASSERT_TRUE(asker.WaitFinished());
    EXPECT_FALSE(asker.answer());
  }
  EXPECT_TRUE(QTest::qWaitFor([] { return OpenQuestion() == nullptr; }, 5000));
  // After shutdown began nobody is asked any more.
  Asker late(windows);
  ASSERT_TRUE(late.WaitFinished());
  EXPECT_FALSE(late.answer());
  EXPECT_EQ(OpenQuestion(), nullptr);
}

TEST(QtWindowSystemTest, TheInstallingWindowShowsItsTextWithoutButtons) {
  QtWindowSystem windows;
  windows.ShowInstallingWindow();
  CUpdatingDia* dialog = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<CUpdatingDia*>(widget); found && found->isVisible()) dialog = found;
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("varnok浏览器"));
  EXPECT_EQ(dialog->size(), QSize(279, 152));
  ASSERT_EQ(dialog->findChildren<QLabel*>().size(), 1);
  EXPECT_EQ(dialog->findChildren<QLabel*>().front()->text(), QString::fromUtf8("正在安装更新，请稍候！"));
  EXPECT_TRUE(dialog->findChildren<QPushButton*>().isEmpty());
  QPointer<CUpdatingDia> watch(dialog);
  windows.HideInstallingWindow();
  EXPECT_TRUE(watch.isNull());
}

}  // namespace

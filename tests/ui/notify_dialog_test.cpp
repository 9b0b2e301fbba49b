#include "ui/notify_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "fixtures/memory_settings_store.h"
#include "support/mod_reg.h"
#include "ui/qt_application.h"

namespace corvane {
namespace {

using testing::MemorySettingsStore;

std::string StoredList(MemorySettingsStore& store) {
  return ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify);
}

TEST(NotifyDialogTest, SizesAndPlaceholdersFromTheDesign) {
  testing::TestApplication();
  MemorySettingsStore store;
  NotifyDialog dialog(nullptr, store, "1|Hello");
  EXPECT_EQ(dialog.windowTitle(), "Corvane Palm Sync Notify");
  EXPECT_EQ(dialog.size(), QSize(400, 159));
  auto* label = dialog.findChild<QLabel*>("lNotifyText");
  auto* box = dialog.findChild<QCheckBox*>("cbDontShow");
  auto* ok = dialog.findChild<QPushButton*>("bOk");
  ASSERT_TRUE(label && box && ok);
  EXPECT_EQ(label->text(), "I am notifying you...");
  EXPECT_EQ(label->geometry(), QRect(8, 11, 383, 107));
  EXPECT_EQ(box->text(), "Don't show this message again");
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(box->geometry(), QRect(8, 133, 203, 17));
  EXPECT_EQ(ok->text(), "Close");
  EXPECT_EQ(ok->geometry(), QRect(302, 127, 89, 28));
}

// Shows the dialog modally and lets act() play the user once the message is up.
void ShowAndAct(MemorySettingsStore& store, const std::string& text,
                const std::function<void(NotifyDialog*)>& act, QString* shown = nullptr) {
  // A timer of this scope: it cannot fire into a later test.
  QTimer user;
  user.setSingleShot(true);
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<NotifyDialog*>(w);
      if (dialog && dialog->isVisible()) {
        if (shown) *shown = dialog->findChild<QLabel*>("lNotifyText")->text();
        act(dialog);
      }
    }
  });
  user.start(300);
  ShowNotify(nullptr, store, text);
}

TEST(NotifyDialogTest, TickedCloseStoresTheId) {
  testing::TestApplication();
  MemorySettingsStore store;
  QString shown;
  ShowAndAct(
      store, "1|Corvane is not running.",
      [](NotifyDialog* d) {
        QTest::mouseClick(d->findChild<QCheckBox*>("cbDontShow"), Qt::LeftButton);
        QTest::mouseClick(d->findChild<QPushButton*>("bOk"), Qt::LeftButton);
      },
      &shown);
  EXPECT_EQ(shown, "Corvane is not running.");
  EXPECT_EQ(StoredList(store), "1");
}

TEST(NotifyDialogTest, ClosingOtherwiseIgnoresTheBox) {
  testing::TestApplication();
  MemorySettingsStore store;
  ShowAndAct(store, "1|x", [](NotifyDialog* d) {
    d->findChild<QCheckBox*>("cbDontShow")->setChecked(true);
    d->close();
  });
  EXPECT_EQ(StoredList(store), "");
}

TEST(NotifyDialogTest, SuppressedNotificationClosesByItself) {
  testing::TestApplication();
  MemorySettingsStore store;
  WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify, "2,1");
  bool still_open = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<NotifyDialog*>(w) && w->isVisible()) {
        still_open = true;
        w->close();
      }
    }
  });
  watchdog.start(2000);
  ShowNotify(nullptr, store, "1|x");
  EXPECT_FALSE(still_open);
  EXPECT_EQ(StoredList(store), "2,1");
}

}  // namespace
}  // namespace corvane

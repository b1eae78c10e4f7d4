#include <gtest/gtest.h>

#include <QMdiArea>

#include "shell/kymain.h"

TEST(MainWindow, IsTitledAndHasDocumentArea) {
  kyvor::TKYMAIN w;
  EXPECT_EQ(w.windowTitle().toStdString(), "Kyvor-IDE");
  EXPECT_NE(w.mdiArea(), nullptr);
}

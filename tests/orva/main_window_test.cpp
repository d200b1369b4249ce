#include "main_window.h"

#include <gtest/gtest.h>

#include <QApplication>

TEST(MainWindow, StartsWithTitleAndSize) {
    orva::gui::MainWindow w({});
    EXPECT_EQ(w.windowTitle().toStdString(), "ORVA");
    EXPECT_EQ(w.width(), 800);
}

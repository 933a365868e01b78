#include "app/page_range_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "shell_fixture.h"

namespace kestrune {
namespace {

TEST(PageRangeDialogTest, ShowsTheQuestion) {
  testing::testApplication();
  PageRangeDialog dialog(80);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("待列出宝贝数量太多！"));
  EXPECT_TRUE(dialog.fromBox()->text().isEmpty());
  EXPECT_TRUE(dialog.toBox()->text().isEmpty());
  EXPECT_EQ(dialog.messageLine()->text(), QStringLiteral("间隔超过35页！请修改！"));
  EXPECT_EQ(dialog.confirmButton()->text(), QStringLiteral("确定"));
  auto* text = dialog.findChild<QLabel*>(QStringLiteral("pageRangeText"));
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text(), QStringLiteral("一次性列出宝贝太多有可能引起阿里锁定IP！请输入本次列出的宝贝的起始和"
                                         "结尾页码！建议间隔不超过35页！\r\n"));
}

TEST(PageRangeDialogTest, RefusesBadRangesAndTheCloseBox) {
  testing::testApplication();
  PageRangeDialog dialog(80);
  dialog.show();
  struct Entry {
    const char* from;
    const char* to;
    const char* message;
  };
  const Entry refused[] = {
      {"10", "46", "超始页大于结束页或间隔大于35页！请修改！"},
      {"45", "10", "超始页大于结束页或间隔大于35页！请修改！"},
      {"0", "20", "起始页或结束页输入有误！请修改！"},
      {"90", "95", "起始页或结束页输入有误！请修改！"},
      {"80", "80", "起始页或结束页输入有误！请修改！"},
      {"abc", "", "起始页或结束页输入有误！请修改！"},
  };
  for (const Entry& entry : refused) {
    dialog.fromBox()->setText(QString::fromUtf8(entry.from));
    dialog.toBox()->setText(QString::fromUtf8(entry.to));
    dialog.confirmButton()->click();
    EXPECT_TRUE(dialog.isVisible()) << entry.from << "-" << entry.to;
    EXPECT_EQ(dialog.messageLine()->text(), QString::fromUtf8(entry.message));
  }
  EXPECT_FALSE(dialog.close());
  dialog.reject();
  EXPECT_TRUE(dialog.isVisible());

  dialog.fromBox()->setText(QStringLiteral("10"));
  dialog.toBox()->setText(QStringLiteral("45"));
  dialog.confirmButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.messageLine()->isHidden());
  EXPECT_EQ(dialog.range().from, 10);
  EXPECT_EQ(dialog.range().to, 45);
}

}  // namespace
}  // namespace kestrune

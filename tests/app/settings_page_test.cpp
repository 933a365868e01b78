#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <sstream>

#include "app/settings_page.h"
#include "shell_fixture.h"
#include "web/encoding.h"
#include "web/program_home.h"

namespace kestrune {
namespace {

using testing::ShellTest;

class SettingsPageTest : public ShellTest {
 protected:
  SettingsPageTest() { window->selectPage(5); }
  SettingsPage* page() { return window->settingsPage(); }
  std::filesystem::path file() const { return settingsFile(home.path()); }
  std::string fileBytes() const {
    std::ifstream in(file(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  void writeFile(std::string_view utf8) const {
    std::filesystem::create_directories(file().parent_path());
    std::ofstream(file(), std::ios::binary) << Utf8ToGbk(utf8);
  }
  // Near the left edge: check and radio boxes take clicks on their box and caption only.
  void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(10, button->width() / 2), button->height() / 2));
  }
  void addMapping(const QString& source, const QString& target) {
    page()->sourceAttributeName()->setText(source);
    page()->targetAttributeName()->setText(target);
    click(page()->addMappingButton());
  }
};

TEST_F(SettingsPageTest, SavedSettingsComeBackInANewWindow) {
  click(page()->downloadDescriptionPictures());
  click(page()->linkModeButton(LinkMode::ReplaceLinks));
  QTest::keyClicks(page()->replacementLink(), QStringLiteral("https://shop.example/"));
  addMapping(QStringLiteral("颜色"), QStringLiteral("颜色分类"));
  addMapping(QStringLiteral("尺码"), QStringLiteral("尺寸"));
  click(page()->businessAssistantButton());
  click(page()->saveButton());

  ASSERT_EQ(dialogs.notices.size(), 1u);
  EXPECT_EQ(dialogs.notices[0].text, "已经保存！");
  EXPECT_EQ(dialogs.notices[0].title, "提示");
  EXPECT_EQ(settings.outputKind(), OutputKind::BusinessAssistant);
  EXPECT_EQ(fileBytes(), Utf8ToGbk("[DL_PIC]\r\ndownload=真\r\nzdyz=假\r\nqcl=3\r\n"
                                   "qcllr=https://shop.example/\r\npp=颜色==颜色分类###尺码==尺寸###\r\n"
                                   "[SAVE]\r\ntype=4\r\n"));

  SettingsSnapshot freshSnapshot;
  ItemList freshList;
  MainWindow fresh(ShellContext{freshList, freshSnapshot, home.path(), Endpoints{}});
  fresh.settingsPage()->loadSettings();
  SettingsPage* loaded = fresh.settingsPage();
  EXPECT_TRUE(loaded->downloadDescriptionPictures()->isChecked());
  EXPECT_FALSE(loaded->customSalePropsToStandard()->isChecked());
  EXPECT_TRUE(loaded->linkModeButton(LinkMode::ReplaceLinks)->isChecked());
  EXPECT_EQ(loaded->replacementLink()->text(), QStringLiteral("https://shop.example/"));
  EXPECT_EQ(loaded->attributeMappingList()->toPlainText(), QStringLiteral("颜色==颜色分类\n尺码==尺寸\n"));
  EXPECT_TRUE(loaded->businessAssistantButton()->isChecked());
  EXPECT_EQ(freshSnapshot.outputKind(), OutputKind::BusinessAssistant);
  EXPECT_EQ(freshSnapshot.current().attributeMappingList, "颜色==颜色分类\r\n尺码==尺寸\r\n");
}

TEST_F(SettingsPageTest, LoadingWithoutFileGivesDefaultsAndUnknownLinkModeKeepsTheButtons) {
  page()->downloadDescriptionPictures()->setChecked(true);
  page()->businessAssistantButton()->setChecked(true);
  page()->loadSettings();
  EXPECT_FALSE(page()->downloadDescriptionPictures()->isChecked());
  EXPECT_TRUE(page()->linkModeButton(LinkMode::RemoveLinks)->isChecked());
  EXPECT_TRUE(page()->taobaoAssistantButton()->isChecked());
  EXPECT_EQ(settings.outputKind(), OutputKind::TaobaoAssistant);

  writeFile("[DL_PIC]\r\nqcl=7\r\nqcllr=http://kept/\r\n");
  page()->linkModeButton(LinkMode::KeepLinks)->setChecked(true);
  page()->loadSettings();
  EXPECT_TRUE(page()->linkModeButton(LinkMode::KeepLinks)->isChecked());
  EXPECT_FALSE(page()->linkModeButton(LinkMode::RemoveLinks)->isChecked());
  EXPECT_EQ(page()->replacementLink()->text(), QStringLiteral("http://kept/"));
}

TEST_F(SettingsPageTest, EmptyReplacementLinkStopsTheSaveBeforeAnyWrite) {
  const std::string original = "[DL_PIC]\r\ndownload=假\r\nqcl=1\r\nqcllr=http://old/\r\npp=a==b###\r\n[SAVE]\r\ntype=5\r\n";
  writeFile(original);
  page()->loadSettings();
  click(page()->downloadDescriptionPictures());
  click(page()->businessAssistantButton());
  click(page()->linkModeButton(LinkMode::ReplaceLinks));
  page()->replacementLink()->clear();
  click(page()->saveButton());

  ASSERT_EQ(dialogs.notices.size(), 1u);
  EXPECT_EQ(dialogs.notices[0].text, "请填写待替换链接！");
  EXPECT_EQ(dialogs.notices[0].title, "信息：");
  EXPECT_EQ(fileBytes(), Utf8ToGbk(original));
  EXPECT_EQ(settings.outputKind(), OutputKind::TaobaoAssistant);
}

TEST_F(SettingsPageTest, SaveCreatesTheOptionsFolderAndReportsAFileItCannotWrite) {
  ASSERT_FALSE(std::filesystem::exists(optionsFolder(home.path())));
  click(page()->saveButton());
  EXPECT_TRUE(std::filesystem::exists(file()));
  ASSERT_EQ(dialogs.notices.size(), 1u);
  EXPECT_EQ(dialogs.notices[0].text, "已经保存！");

  std::filesystem::remove(file());
  std::filesystem::create_directories(file());  // a folder where the file should be
  click(page()->saveButton());
  ASSERT_EQ(dialogs.notices.size(), 2u);
  EXPECT_NE(dialogs.notices[1].text.find("options.ini"), std::string::npos) << dialogs.notices[1].text;
  EXPECT_EQ(dialogs.notices[1].text.find("已经保存"), std::string::npos);
}

TEST_F(SettingsPageTest, AddingAMappingNeedsBothNames) {
  page()->attributeMappingList()->setPlainText(QStringLiteral("材质==材质\n产地"));
  addMapping(QString(), QStringLiteral("品牌"));
  addMapping(QStringLiteral("品牌"), QString());
  ASSERT_EQ(dialogs.notices.size(), 2u);
  EXPECT_EQ(dialogs.notices[0].text, "上下属性名不能为空");
  EXPECT_EQ(dialogs.notices[0].title, "提示");
  EXPECT_EQ(page()->attributeMappingList()->toPlainText(), QStringLiteral("材质==材质\n产地"));

  // Appended right behind the last line even though it has no line break; names as typed.
  addMapping(QStringLiteral(" 货号"), QStringLiteral("款号 "));
  EXPECT_EQ(page()->attributeMappingList()->toPlainText(), QStringLiteral("材质==材质\n产地 货号==款号 \n"));
  EXPECT_EQ(page()->sourceAttributeName()->text(), QString());
  EXPECT_EQ(page()->targetAttributeName()->text(), QString());
}

TEST_F(SettingsPageTest, RunsSeeUnsavedChangesButOutputKindOnlyOnSave) {
  click(page()->customSalePropsToStandard());
  click(page()->linkModeButton(LinkMode::KeepLinks));
  click(page()->businessAssistantButton());
  click(page()->loginPromptShown());
  auto current = settings.current();
  EXPECT_TRUE(current.customSalePropsToStandard);
  EXPECT_EQ(current.linkMode, LinkMode::KeepLinks);
  EXPECT_EQ(current.packageChoice, OutputKind::BusinessAssistant);
  EXPECT_TRUE(current.loginPromptShown);
  EXPECT_EQ(settings.outputKind(), OutputKind::TaobaoAssistant);
  EXPECT_FALSE(std::filesystem::exists(file()));

  click(page()->saveButton());
  EXPECT_EQ(settings.outputKind(), OutputKind::BusinessAssistant);
  // The sign-in box is never stored.
  EXPECT_EQ(ProfileFile::load(file()).keys("DL_PIC"), (std::vector<std::string>{"download", "zdyz", "qcl", "pp"}));
}

}  // namespace
}  // namespace kestrune

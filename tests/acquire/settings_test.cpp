#include "acquire/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "web/encoding.h"
#include "web/program_home.h"

namespace kestrune {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            ("kestrune-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  std::string fileText() const {
    std::ifstream file(settingsFile(home_), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return GbkToUtf8(bytes.str());
  }
  void writeFileText(std::string_view utf8) const {
    std::filesystem::create_directories(settingsFile(home_).parent_path());
    std::ofstream(settingsFile(home_), std::ios::binary) << Utf8ToGbk(utf8);
  }

  std::filesystem::path home_;
};

TEST_F(SettingsFileTest, MissingFileGivesTheDefaults) {
  Settings before;
  before.linkMode = LinkMode::KeepLinks;
  before.downloadDescriptionPictures = true;
  before.savePath = "kept";
  auto settings = readSettings(ProfileFile::load(settingsFile(home_)), before);
  EXPECT_FALSE(settings.downloadDescriptionPictures);
  EXPECT_FALSE(settings.customSalePropsToStandard);
  EXPECT_EQ(settings.linkMode, LinkMode::RemoveLinks);
  EXPECT_EQ(settings.replacementLink, "");
  EXPECT_EQ(settings.attributeMappingList, "");
  EXPECT_EQ(settings.packageChoice, OutputKind::TaobaoAssistant);
  EXPECT_EQ(settings.savePath, "kept");
}

TEST_F(SettingsFileTest, ReadsEachKeyByItsRules) {
  struct Case {
    const char* file;
    bool download;
    LinkMode linkMode;
    OutputKind kind;
  };
  // Only the exact "真" checks a box; an unknown "qcl" keeps the mode held before (KeepLinks).
  const Case cases[] = {
      {"[DL_PIC]\r\ndownload=真\r\nqcl=3\r\n[SAVE]\r\ntype=4\r\n", true, LinkMode::ReplaceLinks,
       OutputKind::BusinessAssistant},
      {"[DL_PIC]\r\ndownload=假\r\nqcl=7\r\n[SAVE]\r\ntype=6\r\n", false, LinkMode::KeepLinks,
       OutputKind::TaobaoAssistant},
      {"[DL_PIC]\r\ndownload=1\r\nqcl=\r\n", false, LinkMode::RemoveLinks, OutputKind::TaobaoAssistant},
      {"[DL_PIC]\r\ndownload=真真\r\nqcl=1\r\n", false, LinkMode::KeepLinks, OutputKind::TaobaoAssistant},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Settings before;
    before.linkMode = LinkMode::KeepLinks;
    auto settings = readSettings(ProfileFile::fromText(c.file), before);
    EXPECT_EQ(settings.downloadDescriptionPictures, c.download);
    EXPECT_EQ(settings.linkMode, c.linkMode);
    EXPECT_EQ(settings.packageChoice, c.kind);
  }
}

TEST_F(SettingsFileTest, WritesKeysInOrderAndReadsThemBack) {
  writeFileText("[other]\r\nkeep=值\r\n");
  Settings settings;
  settings.downloadDescriptionPictures = true;
  settings.linkMode = LinkMode::ReplaceLinks;
  settings.replacementLink = "https://shop.example/";
  settings.attributeMappingList = "颜色==颜色分类\r\n尺码==尺寸\r\n";
  settings.packageChoice = OutputKind::BusinessAssistant;
  ASSERT_EQ(writeSettingsFile(settingsFile(home_), settings).outcome, SaveSettingsOutcome::Saved);

  EXPECT_EQ(fileText(),
            "[other]\r\nkeep=值\r\n"
            "[DL_PIC]\r\ndownload=真\r\nzdyz=假\r\nqcl=3\r\nqcllr=https://shop.example/\r\n"
            "pp=颜色==颜色分类###尺码==尺寸###\r\n"
            "[SAVE]\r\ntype=4\r\n");
  auto back = readSettings(ProfileFile::load(settingsFile(home_)), Settings{});
  EXPECT_EQ(back.attributeMappingList, settings.attributeMappingList);
  EXPECT_EQ(back.replacementLink, settings.replacementLink);
  EXPECT_EQ(back.packageChoice, OutputKind::BusinessAssistant);
}

TEST_F(SettingsFileTest, LoneLineBreaksInTheMappingListNeverSplitTheFileLine) {
  Settings settings;
  settings.attributeMappingList = "a==b\nc==d\re==f";
  ASSERT_EQ(writeSettingsFile(settingsFile(home_), settings).outcome, SaveSettingsOutcome::Saved);
  EXPECT_NE(fileText().find("pp=a==b###c==d###e==f\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, ReplacementLinkIsWrittenOnlyWhenLinksAreReplaced) {
  writeFileText("[DL_PIC]\r\nqcllr=http://old/\r\n");
  Settings settings;
  settings.linkMode = LinkMode::KeepLinks;
  settings.replacementLink = "http://new/";
  ASSERT_EQ(writeSettingsFile(settingsFile(home_), settings).outcome, SaveSettingsOutcome::Saved);
  EXPECT_EQ(ProfileFile::load(settingsFile(home_)).value("DL_PIC", "qcllr", ""), "http://old/");
}

TEST_F(SettingsFileTest, EmptyReplacementLinkWritesNothing) {
  const std::string original = "[DL_PIC]\r\nqcl=1\r\nqcllr=http://old/\r\npp=x==y###\r\n[SAVE]\r\ntype=4\r\n";
  writeFileText(original);
  Settings settings;
  settings.linkMode = LinkMode::ReplaceLinks;
  settings.downloadDescriptionPictures = true;
  EXPECT_EQ(writeSettingsFile(settingsFile(home_), settings).outcome,
            SaveSettingsOutcome::MissingReplacementLink);
  EXPECT_EQ(fileText(), original);
}

TEST_F(SettingsFileTest, CreatesTheOptionsFolderAndReportsAFileItCannotWrite) {
  ASSERT_FALSE(std::filesystem::exists(optionsFolder(home_)));
  EXPECT_EQ(writeSettingsFile(settingsFile(home_), Settings{}).outcome, SaveSettingsOutcome::Saved);
  EXPECT_TRUE(std::filesystem::exists(settingsFile(home_)));

  // A folder standing where the file should be cannot be replaced by a file.
  auto blocked = home_ / "blocked" / "options.ini";
  std::filesystem::create_directories(blocked);
  auto result = writeSettingsFile(blocked, Settings{});
  EXPECT_EQ(result.outcome, SaveSettingsOutcome::WriteFailed);
  EXPECT_NE(result.error.find("options.ini"), std::string::npos) << result.error;
}

TEST(PackageLocationTest, DerivesFolderAndBaseName) {
  struct Case {
    const char* chosen;
    char separator;
    const char* path;
    const char* folder;
    const char* baseName;
  };
  const Case cases[] = {
      {"D:\\pack", '\\', "D:\\pack.csv", "D:\\", "pack"},
      {"D:\\my.data\\pack", '\\', "D:\\my.data\\pack", "D:\\my.data\\", ""},
      {"D:\\out\\shop.v2.csv", '\\', "D:\\out\\shop.v2.csv", "D:\\out\\", "shop"},
      {"D:\\out\\.csv", '\\', "D:\\out\\.csv", "D:\\out\\", ""},
      {"/home/me/pack", '/', "/home/me/pack.csv", "/home/me/", "pack"},
      {"/home/me.x/pack", '/', "/home/me.x/pack", "/home/me.x/", ""},
      {"/home/me/货源.csv", '/', "/home/me/货源.csv", "/home/me/", "货源"},
      {"pack", '/', "pack.csv", "", "pack"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    auto location = chosenPackageLocation(c.chosen, c.separator);
    EXPECT_EQ(location.packagePath, c.path);
    EXPECT_EQ(location.outputFolder, c.folder);
    EXPECT_EQ(location.packageBaseName, c.baseName);
  }
}

}  // namespace
}  // namespace kestrune

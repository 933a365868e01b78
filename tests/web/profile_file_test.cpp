#include "web/profile_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "web/encoding.h"

namespace kestrune {
namespace {

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(ProfileFile, ReadsCaseInsensitivelyAndTrimsQuotes) {
  auto profile = ProfileFile::fromText("; comment\r\n[Main]\r\n  Name = \"x=1\" \r\nother=2\n[b]\nname=3\n");
  EXPECT_EQ(profile.value("main", "NAME"), "x=1");
  EXPECT_EQ(profile.value("b", "name"), "3");
  EXPECT_EQ(profile.value("main", "missing"), std::nullopt);
  EXPECT_EQ(profile.value("nosuch", "name", "fallback"), "fallback");
  EXPECT_EQ(profile.keys("MAIN"), (std::vector<std::string>{"Name", "other"}));
}

TEST(ProfileFile, WritingOneKeyKeepsEveryOtherLine) {
  auto profile = ProfileFile::fromText("[a]\r\nkeep=1\r\nx=old\r\n\r\n[b]\r\ny=2\r\n");
  profile.setValue("A", "x", "new");
  profile.setValue("a", "added", "3");
  profile.setValue("c", "z", "真");
  EXPECT_EQ(profile.text(), "[a]\r\nkeep=1\r\nx=new\r\nadded=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nz=真\r\n");
}

TEST(ProfileFile, SavesGbkBytesAndCreatesTheFolder) {
  auto folder = std::filesystem::temp_directory_path() / ("profile-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(folder);
  ProfileFile profile;
  profile.setValue("set", "flag", "真");
  auto path = folder / "options" / "options.ini";
  EXPECT_EQ(profile.save(path), std::nullopt);
  EXPECT_EQ(readBytes(path), "[set]\r\nflag=" + Utf8ToGbk("真") + "\r\n");
  EXPECT_EQ(ProfileFile::load(path).value("set", "flag"), "真");
  std::filesystem::remove_all(folder);
}

TEST(ProfileFile, ReportsAFileThatCannotBeWritten) {
  ProfileFile profile;
  auto error = profile.save("/proc/no-such-folder/options.ini");
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("options.ini"), std::string::npos);
}

}  // namespace
}  // namespace kestrune

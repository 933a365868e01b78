#include "web/program_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrune {
namespace {

TEST(ProgramHome, ArgumentWinsOverEnvironmentWhichWinsOverExecutableFolder) {
  auto temporary = std::filesystem::temp_directory_path();
  setenv("KESTRUNE_HOME", (temporary / "from-env").c_str(), 1);
  EXPECT_EQ(resolveProgramHome((temporary / "from-arg").string()), temporary / "from-arg");
  EXPECT_EQ(resolveProgramHome(""), temporary / "from-env");
  unsetenv("KESTRUNE_HOME");
  auto fallback = resolveProgramHome("");
  EXPECT_TRUE(std::filesystem::exists(fallback / "tests_web")) << fallback;
  EXPECT_EQ(optionsFolder(temporary), temporary / "options");
}

}  // namespace
}  // namespace kestrune

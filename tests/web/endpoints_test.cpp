#include "web/endpoints.h"

#include <gtest/gtest.h>

#include <fstream>

#include "web/program_home.h"

namespace kestrune {
namespace {

class EndpointsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            (std::string("endpoints-test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(optionsFolder(home_));
  }
  void TearDown() override { std::filesystem::remove_all(home_); }
  void write(const std::string& text) { std::ofstream(endpointsFile(home_), std::ios::binary) << text; }

  std::filesystem::path home_;
};

TEST_F(EndpointsTest, MissingFileKeepsEveryDefault) {
  auto endpoints = loadEndpoints(home_ / "nowhere");
  EXPECT_EQ(endpoints.sourceDetailHost, "detail.1688.com");
  EXPECT_EQ(endpoints.mallDetailHost, "detail.tmall.com");
  EXPECT_EQ(endpoints.sourceLoginUrl.rfind("https://", 0), 0u);
  EXPECT_FALSE(endpoints.sourceSecurityHost.empty());
  // No public default for the vendor's services and the mirror: nothing is requested there.
  EXPECT_EQ(endpoints.vendorPropsArchiveUrl, "");
  EXPECT_EQ(endpoints.vendorCategoryUrl, "");
  EXPECT_EQ(endpoints.categoryMirrorUrl, "");
  EXPECT_EQ(endpoints.vendorNewsUrl, "");
  EXPECT_EQ(endpoints.tlsCaFile, "");
}

TEST_F(EndpointsTest, FileOverridesTheKeysItNamesAndKeepsTheRest) {
  write(
      "[endpoints]\r\n"
      "SourceDetailHost=127.0.0.1:8443\r\n"
      "sourceloginurl=http://127.0.0.1:8080/member/signin.htm\r\n"  // key names ignore case
      "CategoryMirrorUrl = 127.0.0.1:8080\r\n"
      "VendorHelpUrl=http://127.0.0.1:8080/help.html\r\n"
      "MallDetailHost=\r\n"  // blank: default stays
      "[tls]\r\n"
      "ca=/tmp/market/ca.pem\r\n");
  auto endpoints = loadEndpoints(home_);
  EXPECT_EQ(endpoints.sourceDetailHost, "127.0.0.1:8443");
  EXPECT_EQ(endpoints.sourceLoginUrl, "http://127.0.0.1:8080/member/signin.htm");
  EXPECT_EQ(endpoints.categoryMirrorUrl, "127.0.0.1:8080");
  EXPECT_EQ(endpoints.vendorHelpUrl, "http://127.0.0.1:8080/help.html");
  EXPECT_EQ(endpoints.mallDetailHost, "detail.tmall.com");
  EXPECT_EQ(endpoints.targetPropsUrl, Endpoints{}.targetPropsUrl);
  EXPECT_EQ(endpoints.tlsCaFile, "/tmp/market/ca.pem");
}

TEST_F(EndpointsTest, HostWrittenAsAnAddressIsCutToTheHostAndRelativeCaIsInTheOptionsFolder) {
  write(
      "[endpoints]\r\n"
      "SourceDetailHost=HTTPS://127.0.0.1:8443/\r\n"
      "TargetPropsUrl=http://127.0.0.1:8080/apitools/ajax_props.do\r\n"
      "[tls]\r\n"
      "ca=market-ca.pem\r\n");
  auto endpoints = loadEndpoints(home_);
  EXPECT_EQ(endpoints.sourceDetailHost, "127.0.0.1:8443");
  EXPECT_EQ(endpoints.targetPropsUrl, "127.0.0.1:8080");
  EXPECT_EQ(std::filesystem::path(endpoints.tlsCaFile), optionsFolder(home_) / "market-ca.pem");
}

}  // namespace
}  // namespace kestrune

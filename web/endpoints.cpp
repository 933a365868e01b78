#include "web/endpoints.h"

#include <string_view>

#include "web/profile_file.h"
#include "web/program_home.h"

namespace kestrune {
namespace {

// The callers put scheme and path around a host, so a host written as an address
// ("https://127.0.0.1:8443/") is cut back to "127.0.0.1:8443" rather than doubling them.
std::string hostOnly(std::string value) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (value.size() >= scheme.size()) {
      bool same = true;
      for (size_t i = 0; i < scheme.size() && same; ++i) {
        char c = value[i] >= 'A' && value[i] <= 'Z' ? static_cast<char>(value[i] + 32) : value[i];
        same = c == scheme[i];
      }
      if (same) {
        value.erase(0, scheme.size());
        break;
      }
    }
  }
  auto slash = value.find('/');
  if (slash != std::string::npos) value.erase(slash);
  return value;
}

}  // namespace

std::filesystem::path endpointsFile(const std::filesystem::path& home) {
  return optionsFolder(home) / "endpoints.ini";
}

Endpoints loadEndpoints(const std::filesystem::path& home) {
  Endpoints endpoints;
  auto profile = ProfileFile::load(endpointsFile(home));
  // An empty value keeps the default too, so a template with blank keys changes nothing.
  auto read = [&](std::string_view key, std::string& field, bool isHost) {
    auto value = profile.value("endpoints", key);
    if (!value || value->empty()) return;
    field = isHost ? hostOnly(*value) : *value;
  };
  read("SourceDetailHost", endpoints.sourceDetailHost, true);
  read("MallDetailHost", endpoints.mallDetailHost, true);
  read("SourceLoginUrl", endpoints.sourceLoginUrl, false);
  read("SourceSecurityHost", endpoints.sourceSecurityHost, true);
  read("OfferPostFormUrl", endpoints.offerPostFormUrl, true);
  read("SpuLevelInfoUrl", endpoints.spuLevelInfoUrl, true);
  read("TargetCategorySearchUrl", endpoints.targetCategorySearchUrl, true);
  read("TargetPropsUrl", endpoints.targetPropsUrl, true);
  read("VendorPropsArchiveUrl", endpoints.vendorPropsArchiveUrl, true);
  read("VendorCategoryUrl", endpoints.vendorCategoryUrl, true);
  read("CategoryMirrorUrl", endpoints.categoryMirrorUrl, true);
  read("VendorNewsUrl", endpoints.vendorNewsUrl, false);
  read("VendorHelpUrl", endpoints.vendorHelpUrl, false);

  if (auto ca = profile.value("tls", "ca"); ca && !ca->empty()) {
    std::filesystem::path caPath = std::filesystem::u8path(*ca);
    if (caPath.is_relative()) caPath = optionsFolder(home) / caPath;
    endpoints.tlsCaFile = caPath.string();
  }
  return endpoints;
}

}  // namespace kestrune

// Where the program's remote services live. Every host is a deployment value: the compiled-in
// defaults name the marketplaces' public hosts, and options/endpoints.ini in the program home
// overrides them (the demo market writes that file to point the program at itself).
// Reading never fails: a missing file or key keeps the default.
#pragma once

#include <filesystem>
#include <string>

namespace kestrune {

struct Endpoints {
  // Hosts, with an optional ":port" ("127.0.0.1:8443"); the callers add scheme and path.
  std::string sourceDetailHost = "detail.1688.com";
  std::string mallDetailHost = "detail.tmall.com";
  // A whole address.
  std::string sourceLoginUrl = "https://login.1688.com/member/signin.htm";
  std::string sourceSecurityHost = "sec.1688.com";
  std::string offerPostFormUrl = "offer.1688.com";
  std::string spuLevelInfoUrl = "offer.1688.com";
  std::string targetCategorySearchUrl = "upload.taobao.com";
  std::string targetPropsUrl = "open.taobao.com";
  // The vendor's services and the outside mirror have no public default: empty means the
  // program makes no request there.
  std::string vendorPropsArchiveUrl;
  std::string vendorCategoryUrl;
  std::string categoryMirrorUrl;
  // Whole addresses of the vendor's news and help pages; empty shows a blank view.
  std::string vendorNewsUrl;
  std::string vendorHelpUrl;

  // A PEM file of extra certificate authorities that certificate-checking requests trust besides
  // the system's (the demo market's test authority). Empty when none; an absolute path.
  std::string tlsCaFile;
};

// The file "endpoints.ini" in the options folder of a program home.
std::filesystem::path endpointsFile(const std::filesystem::path& home);

// Reads [endpoints] (keys named as the services: SourceDetailHost, MallDetailHost, ...) and
// [tls] ca from the home's endpoints file over the defaults. A relative ca path is taken
// relative to the options folder.
Endpoints loadEndpoints(const std::filesystem::path& home);

}  // namespace kestrune

#include "web/renderer.h"

#include "web/fetch.h"

namespace kestrune {

std::string DirectPageRenderer::fetchRendered(const std::string& url) {
  FetchOptions options;
  options.url = url;
  return FetchDirect(options).body;
}

}  // namespace kestrune

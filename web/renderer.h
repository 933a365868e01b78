// How the core gets a listing page "as the browser shows it". The window program renders pages
// in a hidden embedded browser (which runs the page's scripts and watches for the marketplace's
// security check); the core only sees this interface. The command-line program, which has no
// window, uses DirectPageRenderer: the page as the server sends it.
#pragma once

#include <string>

namespace kestrune {

class PageRenderer {
 public:
  virtual ~PageRenderer() = default;
  // The page at `url` as GBK bytes, the same form as the body of FetchDirect for a GBK page, so
  // callers decode both alike; "" when nothing could be had.
  virtual std::string fetchRendered(const std::string& url) = 0;
};

// A renderer without a browser: FetchDirect of the address.
class DirectPageRenderer : public PageRenderer {
 public:
  std::string fetchRendered(const std::string& url) override;
};

}  // namespace kestrune
